#include "profiles/untprofiles.h"

#include "app/untcommon.h"
#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/filesetreplace.h"
#include "platform/messagebox.h"
#include "platform/textcodec.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

// A backup file is text: the header, the profile name, the marker "book.db", the lines of
// book.db, the marker "config.ini", the lines of config.ini, every line ended by CR LF.

namespace {

constexpr QByteArrayView header = "Quenlark Calbrey Profile Backup";
constexpr QByteArrayView databaseMarker = "book.db";
constexpr QByteArrayView settingsMarker = "config.ini";
constexpr QByteArrayView lineEnd = "\r\n";

// take(line, next) for each line as a text-file reader splits the text: at CR LF, a lone CR or
// a lone LF; next is where the following line begins. A last line without a line end counts; a
// final line break adds no empty line.
template <typename Take> void forEachLine(QByteArrayView text, Take take)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char *stop = p;
        while (stop < end &&
               (static_cast<unsigned char>(*stop) > '\r' || (*stop != '\r' && *stop != '\n')))
            ++stop;
        const char *next = stop;
        if (next < end)
            next += *next == '\r' && next + 1 < end && next[1] == '\n' ? 2 : 1;
        take(QByteArrayView(p, stop - p), next);
        p = next;
    }
}

void appendLine(QByteArray &out, QByteArrayView line)
{
    out.append(line);
    out.append(lineEnd);
}

// The lines of text, each ended by CR LF. Runs of lines that already end so are copied whole.
void appendLines(QByteArray &out, QByteArrayView text)
{
    const char *run = text.data();
    const char *p = run;
    const char *const end = run + text.size();
    while (p < end) {
        const char c = *p;
        if (c == '\n' || (c == '\r' && (p + 1 == end || p[1] != '\n'))) {
            out.append(run, p - run);
            out.append(lineEnd);
            run = ++p;
        } else {
            p += c == '\r' ? 2 : 1;
        }
    }
    out.append(run, end - run);
    if (!text.isEmpty() && text.back() != '\n' && text.back() != '\r')
        out.append(lineEnd);
}

// A profile file's bytes. Every profile is made with both files, so a missing one is a damaged
// profile: a backup holding it empty would empty it on the next restore.
std::optional<QByteArray> readProfileFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

struct BackupContents
{
    QString profileName;
    QByteArray database;
    QByteArray settings;
};

// The profile name and the two files of a backup; nullopt for a file that is no backup: empty,
// shorter than header and name, not text (NUL bytes) or without the header. The files' lines
// keep their bytes: the profile reads a line that is not UTF-8 as Windows-1252, as here.
std::optional<BackupContents> parseBackup(QByteArrayView bytes)
{
    // A Windows editor may have put a byte order mark before the header.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    if (bytes.contains('\0'))
        return std::nullopt;
    BackupContents contents;
    contents.database.reserve(bytes.size()); // nearly all of it, as a rule
    QByteArray *target = nullptr;            // lines before the first marker belong to no file
    const char *part = nullptr;              // where the lines of the current target began
    const auto endPart = [&](const char *at) {
        if (target)
            appendLines(*target, QByteArrayView(part, at - part));
    };
    qsizetype lines = 0;
    bool headed = false;
    forEachLine(bytes, [&](QByteArrayView line, const char *next) {
        ++lines;
        if (lines == 1) {
            headed = line == header;
        } else if (lines == 2) {
            contents.profileName = DecodeTextLine(line);
        } else if (line == databaseMarker || line == settingsMarker) {
            endPart(line.data());
            target = line == databaseMarker ? &contents.database : &contents.settings;
            part = next;
        }
    });
    endPart(bytes.data() + bytes.size());
    if (!headed || lines < 2)
        return std::nullopt;
    return contents;
}

} // namespace

bool TProfile::Backup(const QString &fileName) const
{
    // A backup written over one of the files it holds would destroy that file.
    const QFileInfo backup(fileName);
    if (backup == QFileInfo(m_databasePath) || backup == QFileInfo(m_settingsPath))
        return false;
    const std::optional<QByteArray> database = readProfileFile(m_databasePath);
    const std::optional<QByteArray> settings = readProfileFile(m_settingsPath);
    if (!database || !settings)
        return false;

    QByteArray out;
    // Room for a CR added to every LF-only line of a typical file.
    const qsizetype size = database->size() + settings->size();
    out.reserve(size + size / 16 + m_profileName.size() * 3 + 128);
    appendLine(out, header);
    appendLine(out, m_profileName.toUtf8());
    appendLine(out, databaseMarker);
    appendLines(out, *database);
    appendLine(out, settingsMarker);
    appendLines(out, *settings);
    try {
        WriteFileAtomically(fileName, out);
    } catch (const CalbreyError &) {
        return false;
    }
    return true;
}

bool TProfile::Restore(const QString &fileName)
{
    QFile file(fileName);
    // Not a folder or a pipe, which would read as nothing or never end.
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) {
        ShowGeneralError(QStringLiteral("Unable to read ") + fileName);
        return false;
    }
    const std::optional<BackupContents> contents = parseBackup(file.readAll());
    file.close();
    if (!contents) {
        ShowMessageBox(QStringLiteral("The specified backup file is not a valid Quenlark Calbrey "
                                      "Backup File."),
                       QStringLiteral("Cannot restore from this file."), MessageBoxFlag::Error);
        return false;
    }
    const QString &owner = contents->profileName;
    if (owner != m_profileName) {
        ShowMessageBox(QStringLiteral("You must be logged in as \"") + owner +
                           QStringLiteral("\" to restore this profile.  If this profile does not "
                                          "exist on this computer, create a new profile called "
                                          "\"") +
                           owner + QStringLiteral("\", activate it and then restore the backup."),
                       QStringLiteral("Incorrect user."), MessageBoxFlag::Error);
        return false;
    }
    try {
        // Both files or neither, even across a crash. config.ini first: it is the small one,
        // the one to put back should book.db fail.
        WriteFilesAtomically(
            {{m_settingsPath, contents->settings}, {m_databasePath, contents->database}},
            m_restoreJournalPath);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
        return false;
    }
    // The two files' readers see the new files by themselves; the settings in memory must be
    // read again, or the next save would write the old ones over the restored file.
    LoadSettings();
    return true;
}
