#pragma once

#include <QObject>

/// The program's end, once the main window has closed for good (an exit command, or the close
/// box without a tray). The window may close while a dialog, a message box or long work is
/// open in a nested event loop (a tray menu on the desktop's bus stays usable then): that work
/// stops at its next step without writing anything, and the message loops unwind before
/// anything is destroyed.
class TProgramEnd : public QObject
{
    Q_OBJECT

public:
    static TProgramEnd &Instance();

    /// The program is ending; work in a nested event loop stops at its next step.
    static bool Begun() { return Instance().m_begun; }
    /// Marks the end and tells whoever runs long work (Begun). Called once, by the main window.
    static void Begin();
    /// Forgets an end, for tests that start the program again in the same process.
    static void ResetForTests() { Instance().m_begun = false; }

signals:
    void begun();

private:
    TProgramEnd() = default;
    bool m_begun = false;
};
