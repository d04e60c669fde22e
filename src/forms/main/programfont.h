#pragma once

#include <QFont>
#include <QSize>

class QWidget;

/// The program's dialog font: Tahoma at the given point size, or the desktop's sans-serif
/// face where Tahoma is not installed (most Linux desktops), so text keeps its proportions.
QFont ProgramFont(int pointSize, bool bold = false);
/// The family ProgramFont uses.
QString ProgramFontFamily();
/// Fixes the size of a dialog laid out at designed (client pixels for Tahoma 8 at 96 dots per
/// inch): wider in step with a wider font, and as tall as its wrapped texts need at that width.
void FitDialogToDesign(QWidget &dialog, QSize designed);
