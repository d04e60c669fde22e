#include "vcard/frmvcardexport.h"

#include "forms/common/contactchoice.h"
#include "forms/common/dialogplacement.h"
#include "forms/main/programfont.h"
#include "ui_frmvcardexport.h"

#include <QPushButton>

namespace {
constexpr int kMinimumWidth = 300;
} // namespace

TVCardExport::TVCardExport(QWidget *parent, const std::optional<QString> &selectedContact)
    : QDialog(parent), ui(std::make_unique<Ui::TVCardExport>())
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    SetUpSelectedContactChoice(*ui->rbSelectedContact, selectedContact);
    ui->cbVersion->setCurrentIndex(0);
    ui->bbButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(ui->bbButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->bbButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setFixedSize(qMax(kMinimumWidth, sizeHint().width()), sizeHint().height());
}

TVCardExport::~TVCardExport() = default;

bool TVCardExport::SelectedOnly() const
{
    return ui->rbSelectedContact->isChecked();
}

TVCardVersion TVCardExport::Version() const
{
    return ui->cbVersion->currentIndex() == 1 ? TVCardVersion::V40 : TVCardVersion::V30;
}

void TVCardExport::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}
