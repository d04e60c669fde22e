#pragma once

#include "net/httpclient.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TCheckForUpdates;
}
class QPushButton;

/// The modal update check: asks the maker's web server for the newest build number and tells
/// the user whether it is newer than this program's. Its pages, "0" to "4": the start, the
/// fetch, a newer version, the latest version, a failed check.
class TCheckForUpdates : public QDialog
{
    Q_OBJECT

public:
    explicit TCheckForUpdates(QWidget *parent = nullptr);
    ~TCheckForUpdates() override;

    /// The fetch, through the machine-wide proxy when one is set.
    THttpClient Http;
    /// Where the version file is fetched from: the maker's update address.
    QString VersionAddress;

    /// The visible page's name.
    QString CurrentPage() const;

    /// "Check for updates.": runs the check while page "1" shows.
    void Button1Click();
    /// Cancel on page "1": ends a running fetch, and the dialog closes once the check is over.
    void btnCancelClick();
    /// "&Yes": the maker's page in the system's default browser.
    void btnGoUpdateClick();

    /// Escape and the close box act as the page's cancel button.
    void reject() override;

private:
    void showPage(int page);

    std::unique_ptr<Ui::TCheckForUpdates> ui;
    bool m_checking = false;
    bool m_closeAfterCheck = false;
};
