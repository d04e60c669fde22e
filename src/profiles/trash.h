#pragma once

#include <QByteArrayList>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class IniFile;

/// Why a contact left book.db.
enum class TTrashReason
{
    Deleted,
    OverwrittenByImport,
    MergedInto, // with the name of the contact it was merged into
    RemovedOnServer,
    ReplacedByServer,
    ImportUndone,
    ReplacedByRestore, // a contact brought back from the trash took its name
};

/// One contact in the trash.
struct TTrashEntry
{
    /// The entry's section in trash.db: the contact name and a sequence number.
    QString id;
    QString name;
    /// When it left book.db (UTC); invalid when the file holds no time that can be read.
    QDateTime left;
    /// The reason as stored; a reason this program does not know is kept as it is.
    QString storedReason;
    /// For a merge: the contact it went into.
    QString into;
    /// From the id; 0 when it has none.
    qint64 sequence = 0;

    std::optional<TTrashReason> Reason() const;
    /// The reason in words ("Deleted", "Merged into Bo Lin").
    QString Why() const;
};

/// A profile's deleted contacts: trash.db in the profile folder, an INI file in book.db's
/// format written through the same layer (atomic replace, "Unable to write to" on failure).
/// Each entry is the contact's section as book.db held it, every line byte for byte, under a
/// section name that no other entry has (the contact name and a sequence number), after keys
/// of our own that no contact key starts with: xTrashName, xTrashLeft (ISO 8601, UTC),
/// xTrashReason and xTrashInto (for a merge, the contact it went into). A missing file is an empty
/// trash; a damaged one is read as far as it can be, and a section that is no entry is left alone.
///
/// Contacts go in and come out through TTrashBatch, which keeps trash.db and book.db in step.
class TTrash
{
public:
    explicit TTrash(const QString &path);
    ~TTrash();
    TTrash(const TTrash &) = delete;
    TTrash &operator=(const TTrash &) = delete;

    const QString &Path() const;

    /// Every entry, in the order they went in (oldest first).
    QList<TTrashEntry> Entries() const;
    std::optional<TTrashEntry> Entry(const QString &id) const;
    /// The entry's contact: its section's lines less our own keys; nullopt without the entry.
    std::optional<QByteArrayList> ContactLines(const QString &id) const;

    /// Deletes entries for good, in one replacement of the file. Unknown ids are passed over.
    void Remove(const QStringList &ids);
    /// Deletes every entry for good.
    void Empty();

    /// What a profile does when it opens, in one replacement of the file (none when nothing
    /// changes): an entry that is the newest of its name and whose contact book.db still holds
    /// line for line is the copy a crash left between the two writes of a move (or of a
    /// restore), and goes; so do entries that left more than keepDays before now (0: none).
    /// bookLines gives the contact of a name as book.db holds it. Returns the entries removed.
    int Tidy(const std::function<std::optional<QByteArrayList>(const QString &)> &bookLines,
             int keepDays, const QDateTime &now);

    /// A contact on its way into the trash.
    struct NewEntry
    {
        QString name;
        QByteArrayList lines;
        TTrashReason reason = TTrashReason::Deleted;
        QString into;
        QDateTime left;
    };
    /// Adds the entries in one replacement of the file; returns their ids, in order.
    QStringList Add(const QList<NewEntry> &entries);

    /// The stored text of a reason, and back.
    static QString StoredReason(TTrashReason reason);
    static std::optional<TTrashReason> ReasonFromStored(const QString &stored);

private:
    std::unique_ptr<IniFile> m_file;
};
