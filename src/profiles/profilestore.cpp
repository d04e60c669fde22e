#include "profiles/untprofiles.h"

#include "app/untcommon.h"
#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/filesetreplace.h"
#include "platform/inifile.h"
#include "platform/messagebox.h"
#include "profiles/trash.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

TProfile *ActiveProfile = nullptr;

namespace {

const QString cannotCreateCaption = QStringLiteral("Cannot create profile.");

QString profileFolderOf(const QString &name)
{
    return GetProgramPath(ppProfiles) + name + QLatin1Char('/');
}

QByteArray blankProfileFile(const QString &resource, const QString &resourceName)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        throw CalbreyError(QStringLiteral("Resource ") + resourceName +
                           QStringLiteral(" not found"));
    return file.readAll();
}

} // namespace

// --- TProfile: paths and life -----------------------------------------------------------------

TProfile::TProfile(const QString &profileName)
    : m_profileName(profileName), m_profileFolder(profileFolderOf(profileName))
{
    m_databasePath = m_profileFolder + QStringLiteral("book.db");
    m_settingsPath = m_profileFolder + QStringLiteral("config.ini");
    m_restoreJournalPath = m_profileFolder + QStringLiteral("restore.journal");
    FinishInterruptedReplacement(m_restoreJournalPath, {m_settingsPath, m_databasePath});
    OpenFiles();
    LoadSettings();
    tidyTrash();
}

TProfile::~TProfile()
{
    // A destructor must not throw, and the user must still learn that the settings were lost.
    try {
        SaveSettings();
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    } catch (const std::exception &error) {
        ShowGeneralError(QString::fromLocal8Bit(error.what()));
    }
}

void TProfile::OpenFiles()
{
    m_database = std::make_unique<IniFile>(m_databasePath);
    m_settings = std::make_unique<IniFile>(m_settingsPath);
    m_trash = std::make_unique<TTrash>(m_profileFolder + QStringLiteral("trash.db"));
}

TTrash &TProfile::Trash() const
{
    return *m_trash;
}

void TProfile::tidyTrash()
{
    try {
        const ContactReadScope reads(*this);
        m_trash->Tidy([this](const QString &name) { return ReadContactLines(name); },
                      KeepDeletedDays, QDateTime::currentDateTimeUtc());
    } catch (const CalbreyError &error) {
        // book.db is whole; only the tidying waits for the next opening.
        ShowGeneralError(error.message());
    }
}

QString TProfile::GetProfileInfo(int index) const
{
    switch (index) {
    case 0:
        return m_databasePath;
    case 1:
        return m_settingsPath;
    case 2:
        return m_profileName;
    case 3:
        return m_profileFolder;
    default:
        return QStringLiteral("No information available");
    }
}

// --- profile folders --------------------------------------------------------------------------

bool IsSafeProfileName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QChar(u'\0')))
        return false;
#ifdef Q_OS_WIN
    // Windows drops trailing dots and blanks from a path's parts (".. " would be ".."), and a
    // colon names a drive or a file's data stream.
    if (name.back() == u'.' || name.back() == u' ' || name.contains(QLatin1Char(':')))
        return false;
#endif
    return !std::all_of(name.begin(), name.end(), [](QChar c) { return c == u'.'; });
}

void ListProfiles(QStringList &list)
{
    list.clear();
    // Hidden folders are listed too: a profile named ".work" is one the user made here.
    list = QDir(GetProgramPath(ppProfiles))
               .entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(list.begin(), list.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

bool ProfileExists(const QString &name)
{
    return IsSafeProfileName(name) && PathExists(GetProgramPath(ppProfiles) + name);
}

bool CreateProfile(const QString &name)
{
    // The empty name stands for the profiles folder itself, which exists.
    if (name.isEmpty() || ProfileExists(name)) {
        ShowMessageBox(QStringLiteral("A profile with this name already exists.  Please choose "
                                      "another name for your new profile and try again!"),
                       cannotCreateCaption, MessageBoxFlag::Error);
        return false;
    }
    const QByteArray database = blankProfileFile(QStringLiteral(":/resblankprofile_database.db"),
                                                 QStringLiteral("resBlankProfile_Database"));
    const QByteArray config = blankProfileFile(QStringLiteral(":/resblankprofile_config.ini"),
                                               QStringLiteral("resBlankProfile_Config"));
    const QString folder = profileFolderOf(name);
    if (!IsSafeProfileName(name) || !QDir().mkdir(folder)) {
        ShowMessageBox(QStringLiteral("Quenlark Calbrey failed to create the profile directory.  "
                                      "Please make sure you have not used any invalid charactors "
                                      "and try again!"),
                       cannotCreateCaption, MessageBoxFlag::Error);
        return false;
    }
    try {
        WriteFileAtomically(folder + QStringLiteral("book.db"), database);
        WriteFileAtomically(folder + QStringLiteral("config.ini"), config);
    } catch (const CalbreyError &error) {
        // A profile without its files would open as a broken one; leave no trace of it.
        QDir(folder).removeRecursively();
        ShowMessageBox(error.message(), cannotCreateCaption, MessageBoxFlag::Error);
        return false;
    }
    return true;
}

bool DeleteProfile(const QString &name)
{
    const QString folder = profileFolderOf(name);
    const auto refuse = [&folder] {
        ShowMessageBox(QStringLiteral("The profile could not be deleted.  You may want to try "
                                      "removing the folder \"") +
                           folder + QStringLiteral("\" yourself."),
                       QStringLiteral("Cannot delete profile."), MessageBoxFlag::Error);
        return false;
    };
    // Never ask about, let alone empty, a folder outside the profiles folder or that folder
    // itself; a linked profile folder would lead outside as well.
    if (!IsSafeProfileName(name) || QFileInfo(GetProgramPath(ppProfiles) + name).isSymLink())
        return refuse();
    const int answer =
        ShowMessageBox(QStringLiteral("Are you sure you want to delete the profile \"") + name +
                           QStringLiteral("\" from your Address Book?"),
                       QStringLiteral("Delete Profile?"), MessageBoxFlag::Question);
    if (answer != MessageBoxResult::Yes)
        return true;
    // Files only: a sub-folder is not descended into, so it keeps the folder in place.
    const QDir dir(folder);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries)
        QFile::remove(folder + entry);
    if (!QDir().rmdir(folder))
        return refuse();
    return true;
}
