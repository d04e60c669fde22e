#pragma once

#include <QString>
#include <memory>

class TProfile;

/// The profile calbrey works on, found where the window finds it: the one --profile names, or
/// the one named after the user that the window opens at its start. It is opened when a
/// command first needs it and is the active profile until calbrey ends; it is never closed,
/// so its settings, which calbrey does not change, are never written.
class CliProfile
{
public:
    /// requested: the --profile name, or empty for the user's own.
    explicit CliProfile(const QString &requested);
    ~CliProfile();
    CliProfile(const CliProfile &) = delete;
    CliProfile &operator=(const CliProfile &) = delete;

    QString name() const { return m_name; }
    /// The user's own profile (no --profile).
    bool isUsersOwn() const { return m_usersOwn; }

    /// Opens the profile; throws CliError when it does not exist, or when createUsersOwn is
    /// set, it is the user's own profile and it cannot be made.
    TProfile &open(bool createUsersOwn);

private:
    QString m_name;
    bool m_usersOwn;
    std::unique_ptr<TProfile> m_profile;
};
