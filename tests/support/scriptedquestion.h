#pragma once

#include "import/contactimport.h"
#include "profiles/untprofiles.h"

#include <QList>
#include <QStringList>
#include <utility>

// Answers in turn (Rename when the script is done) and computes the name as the dialog does.
class ScriptedQuestion : public TClashQuestion
{
public:
    QList<std::pair<TClashAction, bool>> script;
    QStringList asked;

    TClashAnswer Ask(const QString &name) override
    {
        asked.append(name);
        const auto [action, all] =
            script.isEmpty() ? std::pair(TClashAction::Rename, false) : script.takeFirst();
        QString chosen = name;
        if (action == TClashAction::Skip)
            chosen.clear();
        else if (action == TClashAction::Rename)
            chosen = TContactImport::FirstFreeName(*ActiveProfile, name);
        return {action, chosen, all};
    }
};
