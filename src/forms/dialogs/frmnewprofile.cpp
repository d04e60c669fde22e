#include "forms/dialogs/frmnewprofile.h"

#include "forms/main/programfont.h"
#include "ui_frmnewprofile.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

TCreateNewProfile::TCreateNewProfile(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TCreateNewProfile>())
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    setFixedSize(363, 115);
    QIcon icon(QStringLiteral(":/bitmaps/appicon.svg"));
    if (icon.pixmap(32, 32).isNull())
        icon = QApplication::windowIcon();
    ui->imgAppIcon->setPixmap(icon.pixmap(32, 32));
    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TCreateNewProfile::~TCreateNewProfile() = default;

QString TCreateNewProfile::NewProfileName() const
{
    return ui->ebNewProfileName->text();
}

void TCreateNewProfile::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *shown = screen())
        move(shown->availableGeometry().center() - rect().center());
}
