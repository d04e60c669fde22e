#include "reports/frmcreatereport.h"

#include "app/untcommon.h"
#include "forms/common/waitcursor.h"
#include "forms/main/artwork.h"
#include "forms/main/programfont.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "reports/frmsummaryreport.h"
#include "reports/listdoubleclick.h"
#include "reports/reportlistdelegate.h"
#include "reports/untreportgen.h"
#include "ui_frmcreatereport.h"

#include <QFontDatabase>
#include <QStringListModel>
#include <algorithm>

namespace {
const QString DefaultFont = QStringLiteral("Tahoma");
} // namespace

TCreateReport::TCreateReport(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TCreateReport>()),
      m_contacts(new QStringListModel(this)), m_include(new QStringListModel(this))
{
    ui->setupUi(this);
    setFont(ProgramFont(8));

    ui->lbContactList->setModel(m_contacts);
    ui->lbInclude->setModel(m_include);
    ui->lbContactList->setItemDelegate(
        new TReportListDelegate(ui->lbContactList, [this](const QModelIndex &index) {
            return IsIncluded(index.data().toString());
        }));
    ui->lbInclude->setItemDelegate(new TReportListDelegate(ui->lbInclude));
    ui->SpeedButton1->setIcon(ArtworkPixmap(QStringLiteral("cr_up.svg"), Artwork::MenuSize));
    ui->SpeedButton2->setIcon(ArtworkPixmap(QStringLiteral("cr_down.svg"), Artwork::MenuSize));

    connect(ui->Button1, &QPushButton::clicked, this, &TCreateReport::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TCreateReport::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &TCreateReport::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &TCreateReport::Button4Click);
    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TCreateReport::SpeedButton1Click);
    connect(ui->SpeedButton2, &QToolButton::clicked, this, &TCreateReport::SpeedButton2Click);
    connect(ui->Button5, &QPushButton::clicked, this, &TCreateReport::Button5Click);
    connect(ui->Button6, &QPushButton::clicked, this, &QDialog::reject);
    new TListDoubleClick(*ui->lbContactList, [this] { Button1Click(); });
    new TListDoubleClick(*ui->lbInclude, [this] { Button3Click(); });

    FormCreate();
    setFixedSize(sizeHint().expandedTo(QSize(513, 364)));
}

TCreateReport::~TCreateReport() = default;

void TCreateReport::FormCreate()
{
    QStringList fonts = QFontDatabase::families();
    if (!fonts.contains(QStringLiteral("Default")))
        fonts.append(QStringLiteral("Default"));
    std::sort(fonts.begin(), fonts.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    ui->cbFontList->addItems(fonts);
    ui->cbFontList->setCurrentText(DefaultFont);

    QStringList names;
    if (ActiveProfile)
        ActiveProfile->GetContactNames(names);
    m_contacts->setStringList(names);
}

QStringList TCreateReport::IncludedContacts() const
{
    return m_include->stringList();
}

bool TCreateReport::IsIncluded(const QString &name) const
{
    return m_included.contains(name);
}

int TCreateReport::selectedRow(const QListView &list)
{
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TCreateReport::setIncluded(const QStringList &names, int selectRow)
{
    m_include->setStringList(names);
    m_included = QSet<QString>(names.begin(), names.end());
    if (selectRow >= 0) {
        const QModelIndex index = m_include->index(selectRow);
        ui->lbInclude->selectionModel()->setCurrentIndex(index,
                                                         QItemSelectionModel::ClearAndSelect);
        ui->lbInclude->scrollTo(index);
    }
    // The grey marks follow the include list.
    ui->lbContactList->viewport()->update();
}

void TCreateReport::Button1Click()
{
    const int row = selectedRow(*ui->lbContactList);
    if (row < 0)
        return;
    const QString name = m_contacts->stringList().at(row);
    if (IsIncluded(name))
        return;
    const int end = m_include->rowCount();
    m_include->insertRows(end, 1);
    m_include->setData(m_include->index(end), name);
    m_included.insert(name);
    ui->lbContactList->viewport()->update();
}

void TCreateReport::Button2Click()
{
    QStringList names = m_include->stringList();
    QSet<QString> included = m_included;
    for (const QString &name : m_contacts->stringList()) {
        if (!included.contains(name)) {
            included.insert(name);
            names.append(name);
        }
    }
    setIncluded(names);
}

void TCreateReport::Button3Click()
{
    const int row = selectedRow(*ui->lbInclude);
    if (row < 0)
        return;
    m_included.remove(m_include->stringList().at(row));
    m_include->removeRows(row, 1);
    // Nothing is selected afterwards, so a second Remove does not take another contact.
    ui->lbInclude->selectionModel()->clear();
    ui->lbContactList->viewport()->update();
}

void TCreateReport::Button4Click()
{
    setIncluded({});
}

void TCreateReport::moveIncluded(int offset)
{
    const int row = selectedRow(*ui->lbInclude);
    const int target = row + offset;
    if (row < 0 || target < 0 || target >= m_include->rowCount())
        return;
    // Moving the row below a row up swaps the two.
    const int upper = qMin(row, target);
    m_include->moveRows(QModelIndex(), upper + 1, 1, QModelIndex(), upper);
    const QModelIndex index = m_include->index(target);
    ui->lbInclude->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    ui->lbInclude->scrollTo(index);
}

void TCreateReport::SpeedButton1Click()
{
    moveIncluded(-1);
}

void TCreateReport::SpeedButton2Click()
{
    moveIncluded(1);
}

bool TCreateReport::readyToCreate()
{
    if (m_include->rowCount() == 0) {
        ShowMessageBox(QStringLiteral("Please add some contacts to include in the report and try "
                                      "again!"),
                       QStringLiteral("No contacts included."), MessageBoxFlag::Information);
        return false;
    }
    if (!ui->cbFontList->currentText().isEmpty())
        return true;
    const int answer = ShowMessageBox(
        QStringLiteral("Have have not specified a font.  Would you like to continue?\n\nPress Yes "
                       "to continue, press No to use the default font (Tahoma) or press Cancel "
                       "to choose a font."),
        QStringLiteral("No font selected"), MessageBoxFlag::QuestionCancel);
    if (answer == MessageBoxResult::No)
        ui->cbFontList->setCurrentText(DefaultFont);
    return answer == MessageBoxResult::Yes;
}

void TCreateReport::Button5Click()
{
    if (!ActiveProfile || !readyToCreate())
        return;
    createReport();
    reject();
}

void TCreateReport::createReport()
{
    TReportGenerator report;
    report.IncludeHome = ui->cbHome->isChecked();
    report.IncludeWork = ui->cbWork->isChecked();
    report.IncludeNotes = ui->cbNotes->isChecked();
    report.ShowBlankFields = ui->cbBlank->isChecked();
    report.FontName = ui->cbFontList->currentText();
    {
        const WaitCursor waiting;
        report.WriteHeader();
        report.WriteContacts(m_include->stringList());
        report.WriteFooter();
    }
    if (!report.SaveReport(QString()))
        return;
    TSummaryReport viewer(this);
    {
        const WaitCursor waiting;
        viewer.ShowReport(QStringLiteral("Report"));
    }
    viewer.exec();
}
