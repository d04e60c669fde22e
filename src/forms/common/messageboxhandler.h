#pragma once

#include <QString>

/// Makes every message of the program a QMessageBox owned by the active window (or by no
/// window when none is active).
void InstallQtMessageBoxHandler();

/// The box itself: the icon and buttons of the Windows flags (64 information, 16 error,
/// 36 Yes/No question, 35 Yes/No/Cancel question); returns the Windows id of the button
/// pressed (OK 1, Cancel 2, Yes 6, No 7). Closing the box counts as No, Cancel or OK.
int ShowQtMessageBox(const QString &text, const QString &caption, int flags);
