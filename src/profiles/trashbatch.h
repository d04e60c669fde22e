#pragma once

#include "profiles/trash.h"
#include "profiles/untprofiles.h"

#include <QList>
#include <QString>
#include <QStringList>

/// One user action that takes contacts out of book.db (a delete, an import writing over
/// contacts, a restore, an undo): the only way contacts go into the trash or come back.
///
/// Its writes to book.db are one ContactBatch. commit() writes trash.db first, then book.db,
/// then takes the restored entries out of trash.db, so a crash at any point leaves every
/// contact in book.db or in the trash, at worst in both; a profile that opens tidies that up
/// (TTrash::Tidy). When book.db cannot be written, the entries just added are taken back out
/// of the trash. Destroyed without commit(), it writes nothing.
class TTrashBatch
{
public:
    explicit TTrashBatch(TProfile &profile);
    ~TTrashBatch();
    TTrashBatch(const TTrashBatch &) = delete;
    TTrashBatch &operator=(const TTrashBatch &) = delete;

    /// A copy of the contact as book.db holds it now goes to the trash; the contact stays, for
    /// the caller to write over. False when book.db has no contact of that name.
    bool Keep(const QString &name, TTrashReason reason, const QString &into = QString());
    /// The contact leaves book.db for the trash. False when there is no such contact.
    bool Take(const QString &name, TTrashReason reason, const QString &into = QString());
    /// The entry's contact comes back into book.db under name, its own lines as they were
    /// (only its name field changed when name is another); whatever book.db holds under name
    /// goes to the trash for replacedReason first. False when there is no such entry.
    bool Restore(const QString &id, const QString &name, TTrashReason replacedReason);

    /// Throws CalbreyError ("Unable to write to" and the path) when a file cannot be written;
    /// book.db is then as it was, and so is the trash unless only the last step failed.
    void commit();

    /// After commit(): the ids of the entries the batch put into the trash, in order.
    const QStringList &Trashed() const { return m_trashed; }
    /// The ids of the entries the batch brought back.
    const QStringList &Restored() const { return m_restored; }

private:
    TProfile &m_profile;
    TProfile::ContactReadScope m_reads; // book.db is looked at once for the whole action
    TProfile::ContactBatch m_book;
    QList<TTrash::NewEntry> m_entries;
    QStringList m_trashed;
    QStringList m_restored;
};

/// The one operation every command that removes contacts uses: the contacts go to the trash
/// for reason, then leave book.db. Returns the ids of their entries (for an undo).
QStringList MoveContactsToTrash(TProfile &profile, const QStringList &names, TTrashReason reason,
                                const QString &into = QString());

/// The points between a batch's writes, where a test may stop the process.
enum class TTrashBatchStep
{
    TrashWritten, // the entries added, book.db not yet written
    BookWritten,  // book.db written, the restored entries not yet out of the trash
};

/// Called at each step of commit(), for tests that stop the process there; nullptr for none.
void SetTrashBatchHook(void (*hook)(TTrashBatchStep));
