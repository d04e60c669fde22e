#pragma once

#include <QDialog>
#include <memory>

class TPhoneRegionOption;

namespace Ui {
class TOptions;
}

/// The modal options dialog: the active profile's settings and the machine-wide proxy. Its
/// controls are loaded when it is created and copied back by OK; Cancel changes nothing.
class TOptions : public QDialog
{
    Q_OBJECT

public:
    /// The six lines "See examples" shows.
    static const QString ExamplesText;

    /// On this desktop as it is now.
    explicit TOptions(QWidget *parent = nullptr);
    /// desktopHasTray: whether the desktop has a notification area; without one a note says
    /// why the tray setting then only decides the start-at-login entry.
    TOptions(QWidget *parent, bool desktopHasTray);
    ~TOptions() override;

    void sbOpen1Click();
    void sbOpen2Click();
    void QuenlarkURL1Click();
    /// OK: the settings, then the proxy, then the save; the dialog stays open when a write
    /// fails (the error is shown) and the profile's settings are then as before.
    void Button1Click();

private:
    void FormCreate();
    void copyToSettings() const;

    std::unique_ptr<Ui::TOptions> ui;
    TPhoneRegionOption *m_phoneRegion = nullptr;
};
