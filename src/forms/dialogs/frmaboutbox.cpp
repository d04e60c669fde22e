#include "forms/dialogs/frmaboutbox.h"

#include "app/untexecute.h"
#include "forms/main/programfont.h"
#include "net/updatecheck.h"
#include "ui_frmaboutbox.h"

#include <QApplication>
#include <QIcon>

const QString TAboutBox::WebSiteAddress = QLatin1String(MakerWebPageAddress);
const QString TAboutBox::EmailAddress = QStringLiteral("calbrey@quenlark.example");

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TAboutBox>())
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    ui->lblProductName->setFont(ProgramFont(14, true));
    ui->lblVersion->setFont(ProgramFont(10));

    QIcon icon(QStringLiteral(":/bitmaps/appicon.svg"));
    if (icon.pixmap(48, 48).isNull())
        icon = QApplication::windowIcon();
    ui->imgIcon->setPixmap(icon.pixmap(48, 48));

    ui->urlWebSite->setText(WebSiteAddress);
    ui->urlEmail->setText(EmailAddress);
    connect(ui->urlWebSite, &TQuenlarkURL::clicked, this, &TAboutBox::urlWebSiteClick);
    connect(ui->urlEmail, &TQuenlarkURL::clicked, this, &TAboutBox::urlEmailClick);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint());
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::urlWebSiteClick()
{
    OpenWebPage(WebSiteAddress);
}

void TAboutBox::urlEmailClick()
{
    SendEmail(EmailAddress);
}
