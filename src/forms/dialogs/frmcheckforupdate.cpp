#include "forms/dialogs/frmcheckforupdate.h"

#include "app/untcommon.h"
#include "forms/common/programend.h"
#include "forms/main/programfont.h"
#include "net/unit_proxy.h"
#include "net/updatecheck.h"
#include "platform/calbreyerror.h"
#include "platform/shell.h"
#include "ui_frmcheckforupdate.h"

#include <QApplication>
#include <QScopedValueRollback>

namespace {
enum Page
{
    StartPage,
    FetchPage,
    NewerPage,
    LatestPage,
    FailedPage,
};
} // namespace

TCheckForUpdates::TCheckForUpdates(QWidget *parent)
    : QDialog(parent), VersionAddress(QLatin1String(UpdateVersionAddress)),
      ui(std::make_unique<Ui::TCheckForUpdates>())
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    // The pages carry their names "0" to "4"; the form file needs names fit for code.
    const QList<QWidget *> pages = {ui->Page0, ui->Page1, ui->Page2, ui->Page3, ui->Page4};
    for (qsizetype i = 0; i < pages.size(); ++i)
        pages.at(i)->setObjectName(QString::number(i));
    ui->imgAppIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));

    connect(ui->Button1, &QPushButton::clicked, this, &TCheckForUpdates::Button1Click);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TCheckForUpdates::btnCancelClick);
    connect(ui->Button4, &QPushButton::clicked, this, &TCheckForUpdates::btnGoUpdateClick);
    connect(ui->btnGoUpdate, &QPushButton::clicked, this, &TCheckForUpdates::btnGoUpdateClick);
    for (QPushButton *button : {ui->Button2, ui->Button5, ui->Button6, ui->Button8})
        connect(button, &QPushButton::clicked, this, &QDialog::reject);

    // A fetch under way when the program ends stops at once, as Cancel stops it.
    connect(&TProgramEnd::Instance(), &TProgramEnd::begun, this, [this] { btnCancelClick(); });

    showPage(StartPage);
    FitDialogToDesign(*this, QSize(339, 117));
}

TCheckForUpdates::~TCheckForUpdates() = default;

QString TCheckForUpdates::CurrentPage() const
{
    return ui->Pages->currentWidget()->objectName();
}

void TCheckForUpdates::showPage(int page)
{
    ui->Pages->setCurrentIndex(page);
    QPushButton *const defaults[] = {ui->Button1, nullptr, ui->Button4, ui->Button6,
                                     ui->btnGoUpdate};
    QPushButton *focus = page == FetchPage ? ui->btnCancel : defaults[page];
    if (defaults[page])
        defaults[page]->setDefault(true);
    focus->setFocus();
}

void TCheckForUpdates::Button1Click()
{
    if (m_checking || TProgramEnd::Begun())
        return;
    showPage(FetchPage);
    // A proxy that cannot be read is reported; the page stays, and its Cancel closes it.
    QString server;
    int port = 0;
    try {
        ReadProxySettings(server, port);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
        return;
    }
    Http.Proxy = server;
    Http.ProxyPort = port;

    Page outcome = FailedPage;
    {
        const QScopedValueRollback checking(m_checking, true);
        try {
            Http.Get(VersionAddress);
            if (const std::optional<int> newest = ParseBuildNumber(Http.Body))
                outcome = *newest > OwnBuildNumber ? NewerPage : LatestPage;
        } catch (const std::exception &) {
            // Any failure of the fetch, whatever its kind, is a failed check.
        }
        Http.Disconnect();
    }
    if (m_closeAfterCheck) {
        QDialog::reject();
        return;
    }
    showPage(outcome);
}

void TCheckForUpdates::btnCancelClick()
{
    Http.Disconnect();
    if (m_checking)
        m_closeAfterCheck = true;
    else
        QDialog::reject();
}

void TCheckForUpdates::btnGoUpdateClick()
{
    // Always the system's browser: a custom browser of the profile is for contacts' pages.
    CurrentShellLauncher().openDocument(QLatin1String(MakerWebPageAddress));
    accept();
}

void TCheckForUpdates::reject()
{
    if (ui->Pages->currentIndex() == FetchPage)
        btnCancelClick();
    else
        QDialog::reject();
}
