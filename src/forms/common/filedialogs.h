#pragma once

#include <QString>

class QWidget;

/// The one way the program asks for a file name, so that tests can answer without a screen.
/// Filters are given in the "Description|*.ext|Description|*.*" form.
namespace FileDialogs {
/// The chosen file, or an empty string when the user cancelled.
QString GetOpenFileName(QWidget *parent, const QString &title, const QString &filter);
/// The chosen file (defaultSuffix added when the name has none), or empty when cancelled.
QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                        const QString &defaultSuffix = QString());
/// A program to start: only existing files, and only programs are listed (on Windows the
/// "*.EXE" files, elsewhere the files that may be run). Empty when the user cancelled.
QString GetProgramFileName(QWidget *parent, const QString &title);
/// Tests: the next dialog returns name at once without showing itself (empty = cancel).
void SetNextFileName(const QString &name);
/// The filter in Qt's form: "Description (*.ext);;Description (*.*)".
QString QtFilter(const QString &filter);
} // namespace FileDialogs
