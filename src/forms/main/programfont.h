#pragma once

#include <QFont>

/// The program's dialog font: Tahoma at the given point size, or the desktop's sans-serif
/// face where Tahoma is not installed (most Linux desktops), so text keeps its proportions.
QFont ProgramFont(int pointSize, bool bold = false);
/// The family ProgramFont uses.
QString ProgramFontFamily();
