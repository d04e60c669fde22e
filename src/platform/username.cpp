#include "platform/username.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
// After the Windows types it relies on.
#include <lmcons.h>
#else
#include <pwd.h>
#include <unistd.h>

#include <QByteArray>
#include <vector>
#endif

namespace {
std::optional<QString> &loginOverride()
{
    static std::optional<QString> name;
    return name;
}
} // namespace

void OverrideLoginUserName(std::optional<QString> name)
{
    loginOverride() = std::move(name);
}

QString LoginUserName()
{
    if (loginOverride())
        return *loginOverride();
#ifdef Q_OS_WIN
    wchar_t buffer[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(buffer, &size) || size == 0)
        return QString();
    return QString::fromWCharArray(buffer, int(size) - 1);
#else
    // The password entry of the effective user is what the system knows for certain; USER is
    // only a fallback for containers whose user has no entry.
    long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (bufferSize <= 0)
        bufferSize = 16384;
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::fromLocal8Bit(qgetenv("USER"));
#endif
}
