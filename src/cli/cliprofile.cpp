#include "cli/cliprofile.h"

#include "app/untcommon.h"
#include "cli/clicommand.h"
#include "profiles/untprofiles.h"

CliProfile::CliProfile(const QString &requested)
    : m_name(requested.isEmpty() ? GetWindowsUserName() : requested),
      m_usersOwn(requested.isEmpty())
{}

CliProfile::~CliProfile()
{
    // Closing a profile saves its settings, which calbrey never changes: that write could only
    // undo one the window made meanwhile. So the profile stays open, the active one, until
    // calbrey ends a moment later and the system frees it, the large book's index with it.
    (void)m_profile.release();
}

TProfile &CliProfile::open(bool createUsersOwn)
{
    if (m_profile)
        return *m_profile;
    if (!ProfileExists(m_name)) {
        if (!createUsersOwn || !m_usersOwn)
            throw CliError(QStringLiteral("there is no profile named \"") + m_name +
                           QStringLiteral("\" (calbrey profiles lists them)"));
        // The reason, if any, has been told by the message handler.
        if (!CreateProfile(m_name))
            throw CliError(QString());
    }
    m_profile = std::make_unique<TProfile>(m_name);
    ActiveProfile = m_profile.get();
    return *m_profile;
}
