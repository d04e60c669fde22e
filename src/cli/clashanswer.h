#pragma once

#include "import/contactimport.h"

class CliInvocation;
class TProfile;

/// The answer to every name clash of an import or a restore from the trash, chosen with
/// --on-clash: a terminal is never asked.
class FixedClashAnswer : public TClashQuestion
{
public:
    FixedClashAnswer(const TProfile &profile, TClashAction action)
        : m_profile(profile), m_action(action)
    {}

    TClashAnswer Ask(const QString &name) override;

private:
    const TProfile &m_profile;
    TClashAction m_action;
};

/// The --on-clash option's value (skip, overwrite or rename; skip when not given).
TClashAction ChosenClashAction(const CliInvocation &call);
