#include "platform/replacementjournal.h"

#include "platform/atomicfile.h"
#include "platform/filesteps.h"
#include "platform/inidocument.h"
#include "platform/iniidentity.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

// The journal is INI text:
//
//   [Replacement]
//   Files=2
//   [File1]
//   Target="config.ini"           relative to the journal's folder
//   New="config.ini.new-k3Fq9A"   a name in the target's folder
//   Old="config.ini.old-Zu81cT"   the same, or empty
//   Existed=1
//   Size=1234
//   Digest=<hex>

namespace {

constexpr auto kDigest = QCryptographicHash::Blake2b_256;
constexpr int kMaxFiles = 64;
const QString replacementSection = QStringLiteral("Replacement");

QString fileSection(qsizetype index)
{
    return QStringLiteral("File") + QString::number(index + 1);
}

QString quoted(const QString &value)
{
    return QLatin1Char('"') + value + QLatin1Char('"');
}

bool isFlag(const QString &value)
{
    return value == u"0" || value == u"1";
}

std::optional<JournaledFile> readFile(const IniDocument &journal, const QDir &folder,
                                      const QString &section)
{
    const auto read = [&](QStringView key) {
        return journal.value(section, key).value_or(QString());
    };
    const QString target = read(u"Target");
    const QString staged = read(u"New");
    const QString old = read(u"Old");
    const QString existed = read(u"Existed");
    bool sized = false;
    const qint64 size = read(u"Size").toLongLong(&sized);
    const QString hex = read(u"Digest");
    const QByteArray digest = QByteArray::fromHex(hex.toLatin1());
    if (target.isEmpty() || !isFlag(existed) || !sized || size < 0 ||
        digest.size() != QCryptographicHash::hashLength(kDigest) ||
        QString::fromLatin1(digest.toHex()) != hex.toLower())
        return std::nullopt;
    const QFileInfo targetInfo(QDir::cleanPath(folder.absoluteFilePath(target)));
    // Only a file named as the replacement names it, beside its target: a damaged journal
    // must not move any other file.
    const QString name = targetInfo.fileName();
    if (!IsNameBeside(staged, name, kStagedInfix.toString()) ||
        (!old.isEmpty() && !IsNameBeside(old, name, kOldInfix.toString())))
        return std::nullopt;
    const QString beside = targetInfo.absolutePath() + QLatin1Char('/');
    JournaledFile file;
    file.target = targetInfo.absoluteFilePath();
    file.staged = beside + staged;
    file.old = old.isEmpty() ? QString() : beside + old;
    file.existed = existed == u"1";
    file.size = size;
    file.digest = digest;
    return file;
}

} // namespace

QByteArray NewContentDigest(const QByteArray &data)
{
    return QCryptographicHash::hash(data, kDigest);
}

void WriteReplacementJournal(const QString &journalPath, const std::vector<JournaledFile> &files)
{
    const QDir folder = QFileInfo(journalPath).absoluteDir();
    IniDocument journal(QByteArrayLiteral("; Files being replaced together: finished or undone "
                                          "when this folder is next opened.\r\n"));
    journal.writeString(replacementSection, u"Files", QString::number(files.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const JournaledFile &file = files[i];
        const QString section = fileSection(qsizetype(i));
        const QList<std::pair<QString, QString>> entries{
            {QStringLiteral("Target"), quoted(folder.relativeFilePath(file.target))},
            {QStringLiteral("New"), quoted(QFileInfo(file.staged).fileName())},
            {QStringLiteral("Old"),
             quoted(file.old.isEmpty() ? QString() : QFileInfo(file.old).fileName())},
            {QStringLiteral("Existed"), file.existed ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("Size"), QString::number(file.size)},
            {QStringLiteral("Digest"), QString::fromLatin1(file.digest.toHex())},
        };
        for (const auto &[key, value] : entries) {
            if (!IniDocument::canWrite(section, key, value))
                FailWriting(file.target); // a line break in its path
            journal.writeString(section, key, value);
        }
    }
    WriteFileAtomically(journalPath, journal.serialize());
}

std::optional<std::vector<JournaledFile>> ReadReplacementJournal(const QString &journalPath)
{
    const FileContent content = ReadWholeFile(journalPath);
    if (!content.readable || !content.identity.exists)
        return std::nullopt;
    const IniDocument journal(content.bytes);
    bool counted = false;
    const int count =
        journal.value(replacementSection, u"Files").value_or(QString()).toInt(&counted);
    if (!counted || count < 1 || count > kMaxFiles)
        return std::nullopt;
    const QDir folder = QFileInfo(journalPath).absoluteDir();
    std::vector<JournaledFile> files;
    for (qsizetype i = 0; i < count; ++i) {
        std::optional<JournaledFile> file = readFile(journal, folder, fileSection(i));
        if (!file)
            return std::nullopt;
        files.push_back(std::move(*file));
    }
    return files;
}
