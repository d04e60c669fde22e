#pragma once

#include "platform/messagebox.h"

#include <QList>
#include <QString>
#include <QStringList>

/// Records every message box shown while it lives and answers from a script (Yes/No/OK...).
/// Unscripted boxes are answered with OK, or No for questions, and recorded all the same.
class ScriptedMessageBox
{
public:
    struct Shown
    {
        QString text;
        QString caption;
        int flags;
    };

    ScriptedMessageBox()
    {
        m_previous =
            SetMessageBoxHandler([this](const QString &text, const QString &caption, int flags) {
                shown.append({text, caption, flags});
                if (!m_answers.isEmpty())
                    return m_answers.takeFirst();
                return (flags & 0x0F) == 0 ? 1 : 7;
            });
    }
    ~ScriptedMessageBox() { SetMessageBoxHandler(std::move(m_previous)); }
    ScriptedMessageBox(const ScriptedMessageBox &) = delete;
    ScriptedMessageBox &operator=(const ScriptedMessageBox &) = delete;

    /// Queue the answers (button ids, e.g. MessageBoxResult::Yes) of the next boxes.
    void answer(int button) { m_answers.append(button); }
    int count() const { return static_cast<int>(shown.size()); }
    const Shown &last() const { return shown.last(); }
    QStringList captions() const
    {
        QStringList result;
        for (const Shown &s : shown)
            result.append(s.caption);
        return result;
    }
    void clear() { shown.clear(); }

    QList<Shown> shown;

private:
    QList<int> m_answers;
    MessageBoxHandler m_previous;
};
