#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class CliOutput;
class CliProfile;
class TProfile;
struct CliCommand;

/// One run of a command: its arguments and options as given, the profile it works on and
/// standard output.
class CliInvocation
{
public:
    CliInvocation(const CliCommand &command, QStringList arguments,
                  QHash<QString, QStringList> options, CliProfile &profile, CliOutput &out)
        : m_command(command), m_arguments(std::move(arguments)), m_options(std::move(options)),
          m_profile(profile), m_out(out)
    {}

    const CliCommand &command() const { return m_command; }
    /// The arguments that are not options, in order.
    const QStringList &arguments() const { return m_arguments; }
    bool isSet(const QString &option) const { return m_options.contains(option); }
    /// The last value given to the option, or defaultValue.
    QString value(const QString &option, const QString &defaultValue = QString()) const
    {
        const QStringList values = m_options.value(option);
        return values.isEmpty() ? defaultValue : values.last();
    }
    /// The value, which must be one of choices; a usage error otherwise.
    QString choice(const QString &option, const QStringList &choices,
                   const QString &defaultValue) const;

    /// Says that the command changes no file: the profile's large files may then be mapped
    /// rather than copied, the fastest way to read them (see AllowMappedReads()).
    void onlyReads();
    /// The profile, opened on first use; a missing one ends the command.
    TProfile &profile();
    /// The profile for a command that adds contacts: the user's own profile is made when it
    /// does not exist yet, as the window makes it on its first start.
    TProfile &profileToFill();
    /// name, when the profile holds a contact of that name; ends the command otherwise.
    QString existingContact(const QString &name);
    CliProfile &profileChoice() { return m_profile; }
    CliOutput &out() { return m_out; }

private:
    const CliCommand &m_command;
    QStringList m_arguments;
    QHash<QString, QStringList> m_options;
    CliProfile &m_profile;
    CliOutput &m_out;
};
