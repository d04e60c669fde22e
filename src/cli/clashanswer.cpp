#include "cli/clashanswer.h"

#include "cli/cliinvocation.h"

TClashAnswer FixedClashAnswer::Ask(const QString &name)
{
    switch (m_action) {
    case TClashAction::Skip:
        return {m_action, QString(), true};
    case TClashAction::Overwrite:
        return {m_action, name, true};
    case TClashAction::Rename:
        break;
    }
    return {m_action, TContactImport::FirstFreeName(m_profile, name), true};
}

TClashAction ChosenClashAction(const CliInvocation &call)
{
    const QString action =
        call.choice(QStringLiteral("on-clash"),
                    {QStringLiteral("skip"), QStringLiteral("overwrite"), QStringLiteral("rename")},
                    QStringLiteral("skip"));
    if (action == QLatin1String("overwrite"))
        return TClashAction::Overwrite;
    if (action == QLatin1String("rename"))
        return TClashAction::Rename;
    return TClashAction::Skip;
}
