#pragma once

#include "platform/inifile.h"

#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class TTrash;

/// The one open profile: its folder, its two INI files, its ten settings and every contact
/// operation. Reached through ActiveProfile.
class TProfile
{
public:
    /// Opens the profile's folder, first completing or undoing a restore that a crash
    /// interrupted. Throws CalbreyError("Unable to write to " + path) when that cannot be done.
    /// Then tidies the trash (TTrash::Tidy with KeepDeletedDays); a trash that cannot be
    /// written is reported and the profile opens all the same.
    explicit TProfile(const QString &profileName);
    /// Saves the settings, then closes both files.
    ~TProfile();
    TProfile(const TProfile &) = delete;
    TProfile &operator=(const TProfile &) = delete;

    // Settings (section "Config" of config.ini), in force while the profile is open.
    bool ValidateEmails = false;
    bool ValidateUrls = true;
    bool DisplayTips = true;
    bool DisplaySearchBar = false;
    bool LoadOnStartup = false;
    bool FullDisplay = false;
    bool UseCustomEmailClient = false;
    bool UseCustomWebBrowser = false;
    QString CustomEmailClient;
    QString CustomWebBrowser;
    // The search bar's "Any field" box; the region phone numbers without a country code are
    // read in (empty: the country of the user's locale).
    bool SearchAnyField = false;
    QString PhoneRegion;
    /// Days a deleted contact stays in the trash; 0 keeps it until the trash is emptied.
    int KeepDeletedDays = 30;

    void OpenFiles();
    /// 0 database path, 1 settings path, 2 profile name, 3 profile folder.
    QString GetProfileInfo(int index) const;

    void LoadSettings();
    /// All eleven keys in one file replacement.
    void SaveSettings();

    /// The CSV importer's columns mapped by hand (section "CSV Columns" of config.ini): each
    /// header with the key the user chose for it, in file order.
    QList<std::pair<QString, QString>> ReadCsvColumnChoices() const;
    /// Stores each (header, key) in one file replacement; an empty key forgets the header.
    void WriteCsvColumnChoices(const QList<std::pair<QString, QString>> &choices);

    /// Writes both files of the profile into one backup file, replacing an earlier file of that
    /// name atomically; false when a profile file cannot be read or the backup cannot be
    /// written (the earlier file then stays as it was). A missing profile file cannot be read.
    bool Backup(const QString &fileName) const;
    /// Replaces book.db and config.ini with the contents of a backup of this profile, both or
    /// neither (even across a crash: the next open finishes or undoes it), and reads the
    /// settings again. Shows its own messages (a file that is not a backup, a backup of another
    /// profile, a failed write); true when both were replaced. Not while a ContactBatch is open.
    bool Restore(const QString &fileName);

    // Contacts (one section of book.db per contact).
    /// Starts reading book.db on a worker thread, for the first read to take: the window
    /// calls it before it builds its controls.
    void ReadContactsAhead() const;
    /// While book.db is being read ahead: done is called once it is in (maybe on the worker's
    /// thread) and the answer is true. False when nothing is being read ahead.
    bool WhenContactsReadAhead(std::function<void()> done) const;
    void GetContactNames(QStringList &list) const;
    void GetContactsInCategory(QStringList &list, const QString &category) const;
    void GetCategories(QStringList &list) const;
    bool ContactExists(const QString &name) const;
    /// Asks the user first; true when the contact was moved to the trash (the last action to
    /// undo from then on).
    bool DeleteContact(const QString &name);
    /// The deleted contacts (trash.db in the profile folder).
    TTrash &Trash() const;
    QString ReadField(const QString &name, const QString &key) const;
    /// ReadField of each key, in their order, reading the contact once (a report shows them
    /// all).
    QStringList ReadFields(const QString &name, const QStringList &keys) const;
    /// ReadFields() of one key list from several threads at once, for one user action that
    /// reads many contacts (an export): book.db is looked at once, when this is made; nothing
    /// may write to the profile while this lives.
    class ConcurrentFieldReads
    {
    public:
        ConcurrentFieldReads(const TProfile &profile, const QStringList &keys);
        /// From any thread.
        QStringList ReadFields(const QString &name) const;
        /// The places of the contacts' sections, and visit(name, stored) for those from from
        /// to before to, in book order, with their lines as book.db holds them: a cheap first
        /// look for a search through every contact, which reads the fields of a few. From any
        /// thread.
        qsizetype StoredContactEnd() const;
        void
        ForEachStoredContact(qsizetype from, qsizetype to,
                             const std::function<void(QStringView, QByteArrayView)> &visit) const;

    private:
        IniFile::ConcurrentReads m_reads;
    };
    void WriteField(const QString &name, const QString &key, const QString &value);
    /// WriteField() for each (key, value) in order, stored as one write: the way an import
    /// writes a whole contact.
    void WriteFields(const QString &name, const QList<std::pair<QString, QString>> &fields);
    /// The part of WriteFields() that needs no file, on any thread: an import makes the next
    /// contacts' while it writes the ones before.
    struct PreparedFields
    {
        QString name;
        IniFile::PreparedSection section;
    };
    static PreparedFields PrepareFields(const QString &name,
                                        const QList<std::pair<QString, QString>> &fields);
    /// WriteFields() of what PrepareFields() made.
    void WriteFields(const PreparedFields &prepared);
    int ReadIntField(const QString &name, const QString &key) const;
    void WriteIntField(const QString &name, const QString &key, int value);
    QString ReadMultiLineField(const QString &name, const QString &key) const;
    void WriteMultiLineField(const QString &name, const QString &key, const QString &text);
    /// The notes as the editor's box shows them (lines separated by CR LF).
    QString ReadNotes(const QString &name) const;
    void WriteNotes(const QString &name, const QString &text);

    /// False for a name book.db cannot hold exactly (leading or trailing blanks, "]", a line
    /// break); callers refuse such a name before writing anything. The empty name is storable
    /// (as "[]"): whether a contact may be nameless is the caller's rule. The write operations
    /// refuse a name that is not storable with the "Unable to write to" error, since the INI
    /// file would put the fields under another name.
    static bool IsStorableContactName(const QString &name);

    /// One user action's contact reads (a report, a search, a list fill): book.db is checked
    /// once when the scope begins, and each read inside it costs no look at the file. Use it
    /// around any loop that reads fields of many contacts.
    class ContactReadScope
    {
    public:
        explicit ContactReadScope(const TProfile &profile);
        ~ContactReadScope();
        ContactReadScope(const ContactReadScope &) = delete;
        ContactReadScope &operator=(const ContactReadScope &) = delete;

    private:
        struct Impl;
        std::unique_ptr<Impl> d;
    };

    /// One user action's contact writes (saving a contact, an import, a restore): book.db is
    /// replaced once, at commit(); destroyed without commit() nothing is written. Reads inside
    /// the batch see its writes. OpenFiles() must not be called while a batch is open.
    class ContactBatch
    {
    public:
        explicit ContactBatch(TProfile &profile);
        ~ContactBatch();
        ContactBatch(const ContactBatch &) = delete;
        ContactBatch &operator=(const ContactBatch &) = delete;
        void commit();

    private:
        struct Impl;
        std::unique_ptr<Impl> d;
    };

private:
    // Contacts leave and come back only through the trash, which keeps their lines as book.db
    // holds them.
    friend class TTrashBatch;
    std::optional<QByteArrayList> ReadContactLines(const QString &name) const;
    void AppendContactLines(const QString &name, const QByteArrayList &lines);
    void RemoveContactSection(const QString &name);
    void tidyTrash();

    // Writes a value already in its stored form (quoted, one line).
    void writeStoredValue(const QString &name, const QString &key, const QString &stored);
    [[noreturn]] void refuseWrite() const;

    QString m_databasePath;
    QString m_settingsPath;
    QString m_profileName;
    QString m_profileFolder;
    QString m_restoreJournalPath; // while a restore replaces both files
    std::unique_ptr<IniFile> m_database;
    std::unique_ptr<IniFile> m_settings;
    std::unique_ptr<TTrash> m_trash;
};

/// The open profile, or nullptr before the first activation and after a failed one.
extern TProfile *ActiveProfile;

/// False for a name that would lead outside the profiles folder or to the folder itself: the
/// empty name, one holding "/" or "\\", or one made only of full stops (on Windows also one
/// ending in a full stop or a blank, or holding a colon).
bool IsSafeProfileName(const QString &name);

/// The names of the sub-folders of the profiles folder, sorted without regard to case.
void ListProfiles(QStringList &list);
bool ProfileExists(const QString &name);
bool CreateProfile(const QString &name);
bool DeleteProfile(const QString &name);
