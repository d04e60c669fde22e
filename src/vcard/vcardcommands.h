#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QAbstractItemView;
class TMainWindowHost;
struct TMainCommands;

/// The main window's vCard commands: "Import &vCard File" (ImportvCardFile1) reads the cards
/// of a file into the active profile, "E&xport vCard File" (ExportvCardFile1) writes all its
/// contacts or the selected one into a file, and vCard files dropped on the contact list are
/// imported as the first command imports a chosen one.
class TVCardCommands : public QObject
{
    Q_OBJECT

public:
    static const QString ImportDialogTitle;
    static const QString ImportDialogFilter;
    static const QString ExportDialogTitle;
    static const QString ExportDialogFilter;

    /// Binds the two commands and takes drops on list; lives as long as the window.
    TVCardCommands(TMainWindowHost &window, TMainCommands &commands, QAbstractItemView &list);

    void ImportvCardFile1Click();
    void ExportvCardFile1Click();
    /// Imports the cards of the files, in order, in one batch, and reloads the window's list.
    void ImportFiles(const QStringList &fileNames);

private:
    TMainWindowHost &m_window;
};
