#include "platform/filesteps.h"

#include "platform/calbreyerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

constexpr qsizetype kUniqueLength = 6;

QByteArray nativeName(const QString &path)
{
    return QFile::encodeName(path);
}

#ifdef Q_OS_UNIX
// The old file's mode, or the one a new file gets.
mode_t modeFor(const QString &target)
{
    struct stat st
    {
    };
    if (::stat(nativeName(target).constData(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

QString uniqueEnding()
{
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString ending;
    for (qsizetype i = 0; i < kUniqueLength; ++i)
        ending +=
            QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
    return ending;
}
#endif

} // namespace

void FailWriting(const QString &path)
{
    throw CalbreyError(QStringLiteral("Unable to write to ") + path);
}

QString ResolvedTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

QString StageBeside(const QString &target, const QByteArray &data, const QString &infix)
{
    QTemporaryFile file(target + infix + QString(kUniqueLength, u'X'));
    if (!file.open())
        return QString();
    bool written = file.write(data) == data.size() && file.flush();
#ifdef Q_OS_UNIX
    written =
        written && ::fchmod(file.handle(), modeFor(target)) == 0 && ::fsync(file.handle()) == 0;
#endif
    if (!written)
        return QString(); // the temporary file removes itself
    file.setAutoRemove(false);
    return file.fileName();
}

QString KeepOldFile(const QString &target, const QString &infix)
{
#ifdef Q_OS_UNIX
    for (int attempt = 0; attempt < 16; ++attempt) {
        QString name = target + infix + uniqueEnding();
        if (::link(nativeName(target).constData(), nativeName(name).constData()) == 0)
            return name;
        if (errno != EEXIST)
            break;
    }
#endif
    QFile old(target);
    if (!old.open(QIODevice::ReadOnly))
        return QString();
    return StageBeside(target, old.readAll(), infix);
}

bool IsNameBeside(const QString &name, const QString &targetName, const QString &infix)
{
    const qsizetype prefix = targetName.size() + infix.size();
    if (name.size() != prefix + kUniqueLength || !name.startsWith(targetName) ||
        QStringView(name).sliced(targetName.size(), infix.size()) != infix)
        return false;
    const QStringView ending = QStringView(name).sliced(prefix);
    return std::all_of(ending.begin(), ending.end(),
                       [](QChar c) { return c.unicode() < 128 && (c.isLetter() || c.isDigit()); });
}

bool RenameOver(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return ::MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                         reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(nativeName(from).constData(), nativeName(to).constData()) == 0;
#endif
}

void SyncFolderOf(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray folder = nativeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    ::close(fd);
#else
    // MoveFileEx() with MOVEFILE_WRITE_THROUGH returns once the rename is on disk.
    Q_UNUSED(path);
#endif
}
