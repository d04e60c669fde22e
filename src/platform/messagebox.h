#pragma once

#include <QString>
#include <functional>

/// The one seam for every message box and question of the program, with the Windows flag and
/// button values the program's messages are described in.
namespace MessageBoxFlag {
constexpr int Ok = 0;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int IconError = 16;
constexpr int IconQuestion = 32;
constexpr int IconWarning = 48;
constexpr int IconInformation = 64;
constexpr int Information = IconInformation;               // 64
constexpr int Error = IconError;                           // 16
constexpr int Question = YesNo | IconQuestion;             // 36
constexpr int QuestionCancel = YesNoCancel | IconQuestion; // 35
/// The second button (No of Yes/No) is the default, for questions whose Yes risks data.
constexpr int DefaultButton2 = 0x100;
} // namespace MessageBoxFlag

namespace MessageBoxResult {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MessageBoxResult

using MessageBoxHandler =
    std::function<int(const QString &text, const QString &caption, int flags)>;

/// Installs the handler that shows message boxes; returns the one it replaces.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
/// Shows the message through the installed handler and returns the button id. Without a
/// handler the message goes to standard error and the safe answer is returned (OK, or No /
/// Cancel for questions).
int RunMessageBox(const QString &text, const QString &caption, int flags);
