#pragma once

#include <QString>
#include <functional>

class QPrinter;
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

/// A file name to save under and the type to save it as: the index of a filter entry.
struct SaveChoice
{
    QString fileName; // empty when the user cancelled
    int type = 0;
};
/// A save dialog offering the filter's entries as types. A name ending in the pattern of one
/// of the types is saved as that type; any other name gets the suffix of the chosen type.
SaveChoice GetSaveChoice(QWidget *parent, const QString &title, const QString &filter,
                         const QString &initialName = QString());
/// Tests: the next save dialog returns at once as though name was typed with that type chosen.
void SetNextSaveChoice(const QString &name, int type);
/// The type and the name (with its suffix) as GetSaveChoice reports them.
SaveChoice ResolveSaveChoice(const QString &filter, const QString &name, int chosenType);

/// The platform's print dialog for printer; true when the user chose to print.
bool ExecPrintDialog(QWidget *parent, QPrinter &printer);
/// Tests: the next print dialog is not shown; answer sets up the printer and tells whether to
/// print.
void SetNextPrintAnswer(std::function<bool(QPrinter &)> answer);
} // namespace FileDialogs
