#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

class TProfile;

/// What to do with an imported contact whose name an existing contact already has.
enum class TClashAction
{
    Overwrite, // write its fields into the existing contact
    Skip,      // leave it out
    Rename,    // import it under the name with the first free number appended
};

struct TClashAnswer
{
    TClashAction action = TClashAction::Rename;
    /// The name to import under, as the action makes it; empty to skip.
    QString name;
    /// Answer every later clash of the import the same way, without asking.
    bool allRemaining = false;
};

/// The question about a name clash, put to the user (the "Contact already exists" dialog).
class TClashQuestion
{
public:
    virtual ~TClashQuestion() = default;
    virtual TClashAnswer Ask(const QString &name) = 0;
};

/// How far a long import is; the user may cancel it there.
class TImportProgress
{
public:
    virtual ~TImportProgress() = default;
    /// done of total contacts are through; false when the user has cancelled.
    virtual bool Advance(qsizetype done, qsizetype total) = 0;
};

/// One contact as the import source gives it: the name it is to have (empty: none, so it is
/// left out) and its fields, written as they stand (a key given twice keeps its last value).
struct TImportedContact
{
    QString name;
    QList<std::pair<QString, QString>> fields;
    /// Keys that an existing contact written over must not keep from before when fields do
    /// not give them: they are written empty.
    QStringList clearedKeys;
    /// Keys that hold more than the source gives: written over an existing contact that has a
    /// value there, the value is merge(that value, the value in fields or the empty text).
    QStringList mergedKeys;
    std::function<QString(const QString &existing, const QString &imported)> merge;
};

struct TImportResult
{
    /// Contacts written, new or over an existing one.
    int added = 0;
    /// The user cancelled: nothing was written.
    bool cancelled = false;
    /// The positions (from 0) of the contacts left out because book.db cannot hold their names.
    QList<qsizetype> unstorable;
};

/// Writes the contacts of an import into a profile: in one batch, so book.db is replaced once
/// and stays exactly as it was when the import is cancelled or cannot be written; each name
/// clash (with a contact of the profile or one written earlier in the same import) resolved
/// by the question; names that book.db cannot hold collected, never written under another name.
/// A contact of the profile that the import writes over goes to the trash as it was before
/// (reason: overwritten by an import), and the import becomes the profile's last action to
/// undo.
class TContactImport
{
public:
    /// progress may be null.
    TContactImport(TProfile &profile, TClashQuestion &question, TImportProgress *progress);

    /// Imports contactAt(0) to contactAt(count - 1), in order. Throws CalbreyError ("Unable
    /// to write to" and the path) when book.db cannot be written; it is then unchanged.
    TImportResult Run(qsizetype count, const std::function<TImportedContact(qsizetype)> &contactAt);

    /// The name to import a contact called name under: name when no contact has it, otherwise
    /// the answer to the question (or the answer given for all remaining clashes); empty to
    /// leave the contact out.
    QString ResolveExistingName(const QString &name);

    /// name followed by the smallest whole number from 1 upwards that makes a free name.
    static QString FirstFreeName(const TProfile &profile, const QString &name);
    /// The same, for names that taken says are in use.
    static QString FirstFreeName(const std::function<bool(const QString &)> &taken,
                                 const QString &name);

private:
    QString freeName(const QString &name);
    QList<std::pair<QString, QString>> fieldsUnder(const QString &name,
                                                   const TImportedContact &contact);

    TProfile &m_profile;
    TClashQuestion &m_question;
    TImportProgress *m_progress;
    std::optional<TClashAction> m_allRemaining;
    // Per name (case folded): every number below this one is taken. Names only come during
    // an import, so the search for the next free one starts there.
    QHash<QString, qsizetype> m_nextNumber;
};
