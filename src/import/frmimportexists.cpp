#include "import/frmimportexists.h"

#include "forms/common/dialogplacement.h"
#include "forms/common/programend.h"
#include "forms/main/programfont.h"
#include "profiles/untprofiles.h"
#include "ui_frmimportexists.h"

TContactExists::TContactExists(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TContactExists>())
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    // A title and nothing else: no close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::accept);
    ui->lbText->setFixedWidth(262);
    setFixedSize(qMax(282, sizeHint().width()), qMax(208, sizeHint().height()));
}

TContactExists::~TContactExists() = default;

void TContactExists::SetContactName(const QString &name)
{
    m_contactName = name;
    ui->lbText->setText(QLatin1Char('"') + name + QLatin1Char('"'));
    setFixedSize(qMax(282, sizeHint().width()), qMax(208, sizeHint().height()));
}

TClashAction TContactExists::ChosenAction() const
{
    if (ui->cbOverwrite->isChecked())
        return TClashAction::Overwrite;
    if (ui->cbDontImport->isChecked())
        return TClashAction::Skip;
    return TClashAction::Rename;
}

QString TContactExists::ChosenName() const
{
    switch (ChosenAction()) {
    case TClashAction::Overwrite:
        return m_contactName;
    case TClashAction::Skip:
        return QString();
    case TClashAction::Rename:
        break;
    }
    return ActiveProfile ? TContactImport::FirstFreeName(*ActiveProfile, m_contactName)
                         : m_contactName + QLatin1Char('1');
}

bool TContactExists::ForAllRemaining() const
{
    return ui->cbAllRemaining->isChecked();
}

void TContactExists::reject()
{
    // Escape and the window manager's close come here; the dialog has no way out but OK.
}

void TContactExists::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}

TClashAnswer TContactExistsQuestion::Ask(const QString &name)
{
    // The program is ending and the import with it (its progress cancels it): nothing to ask.
    if (TProgramEnd::Begun())
        return {TClashAction::Skip, QString(), false};
    TContactExists dialog(m_parent);
    dialog.SetContactName(name);
    dialog.exec();
    return {dialog.ChosenAction(), dialog.ChosenName(), dialog.ForAllRemaining()};
}
