#pragma once

#include <QMainWindow>

/// The program's main window: the active profile's contacts, the commands and every dialog.
class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    /// Set by the two exit commands; a close request while it is false may hide the window to
    /// the notification area instead.
    bool ExitRequested = false;

    void ApplyProfileToWindow();

protected:
    void closeEvent(QCloseEvent *event) override;
};
