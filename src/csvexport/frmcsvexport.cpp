#include "csvexport/frmcsvexport.h"

#include "forms/common/contactchoice.h"
#include "forms/common/dialogplacement.h"
#include "forms/main/programfont.h"
#include "ui_frmcsvexport.h"

#include <QPushButton>

namespace {
constexpr int kMinimumWidth = 300;
} // namespace

TCsvExport::TCsvExport(QWidget *parent, const std::optional<QString> &selectedContact)
    : QDialog(parent), ui(std::make_unique<Ui::TCsvExport>())
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    SetUpSelectedContactChoice(*ui->rbSelectedContact, selectedContact);
    ui->cbLayout->setCurrentIndex(0);
    ui->bbButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(ui->bbButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->bbButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setFixedSize(qMax(kMinimumWidth, sizeHint().width()), sizeHint().height());
}

TCsvExport::~TCsvExport() = default;

bool TCsvExport::SelectedOnly() const
{
    return ui->rbSelectedContact->isChecked();
}

TCsvLayout TCsvExport::Layout() const
{
    return ui->cbLayout->currentIndex() == 1 ? TCsvLayout::Google : TCsvLayout::Outlook;
}

void TCsvExport::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}
