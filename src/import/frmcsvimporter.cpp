#include "import/frmcsvimporter.h"

#include "app/untcommon.h"
#include "forms/common/dialogplacement.h"
#include "forms/main/programfont.h"
#include "import/contactimport.h"
#include "import/csvcontacts.h"
#include "import/csvtablemodel.h"
#include "import/importreport.h"
#include "platform/calbreyerror.h"
#include "platform/iniidentity.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "ui_frmcsvimporter.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <limits>

namespace {

// Columns are made as wide as their header and first rows need, within these bounds.
constexpr int kMinimumColumnWidth = 64;
constexpr int kMaximumColumnWidth = 240;
constexpr int kRowsMeasured = 50;

// Cells are edited in a line edit that takes text of any length (one cut at its usual 32,767
// characters would cut the cell), and only a changed text is stored back.
class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(std::numeric_limits<int>::max());
        return editor;
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        const auto *line = qobject_cast<QLineEdit *>(editor);
        if (line && line->text() == index.data(Qt::EditRole).toString())
            return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }
};

} // namespace

TCSVImporter::TCSVImporter(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TCSVImporter>()), m_model(new TCsvTableModel(this))
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    setFixedSize(674, 282);

    QTableView *grid = ui->sgImport;
    grid->setModel(m_model);
    grid->setItemDelegate(new CellDelegate(grid));
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    // One line per row, as high as the font needs, however many rows the file has.
    QHeaderView *rows = grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    rows->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(ui->Button1, &QPushButton::clicked, this, &TCSVImporter::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button7, &QPushButton::clicked, this, &TCSVImporter::Button7Click);
}

TCSVImporter::~TCSVImporter() = default;

bool TCSVImporter::LoadFile(const QString &fileName)
{
    const QString cannotOpen = QStringLiteral("Cannot open file ") + fileName;
    // Only a plain file (a pipe or a device could wait for ever), read into a buffer of its
    // own size: the file is held for as long as the grid shows it.
    FileContent content = ReadWholeFile(fileName);
    if (!content.identity.exists || !content.readable)
        throw CalbreyError(cannotOpen);
    m_model->SetTable(TCsvParser::Parse(std::move(content.bytes)));
    sizeColumns();
    ResetCursor();
    return true;
}

void TCSVImporter::sizeColumns()
{
    QTableView *grid = ui->sgImport;
    const QFontMetrics metrics = grid->fontMetrics();
    const QFontMetrics headerMetrics = grid->horizontalHeader()->fontMetrics();
    const int padding = 2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
    const int rows = qMin(m_model->rowCount(), kRowsMeasured);
    for (int column = 0; column < m_model->columnCount(); ++column) {
        int width =
            headerMetrics.horizontalAdvance(m_model->headerData(column, Qt::Horizontal).toString());
        for (int row = 0; row < rows; ++row)
            width = qMax(width,
                         metrics.horizontalAdvance(m_model->index(row, column).data().toString()));
        grid->setColumnWidth(column,
                             qBound(kMinimumColumnWidth, width + padding, kMaximumColumnWidth));
    }
}

void TCSVImporter::ResetCursor()
{
    ui->sgImport->setCurrentIndex(m_model->index(0, 0));
    ui->sgImport->scrollToTop();
}

void TCSVImporter::Button1Click()
{
    if (!ActiveProfile)
        return;
    // An edit still open in the grid (OK pressed with Alt+O) counts: taking the focus from
    // its editor commits it.
    const QWidget *focused = QApplication::focusWidget();
    if (focused && focused != ui->sgImport && ui->sgImport->isAncestorOf(focused))
        ui->Button1->setFocus();

    const TCsvContacts contacts(m_model->Table(), LoadFieldAlignmentTable());
    // The numbers are those at the grid's left.
    const TImportResult result = ImportWithReport(
        this, contacts.Count(), [&contacts](qsizetype i) { return contacts.Contact(i); },
        QStringLiteral("row"));
    if (result.cancelled)
        return;
    accept();
}

void TCSVImporter::Button7Click()
{
    OpenHelpTopic(QStringLiteral("importcsv"));
}

void TCSVImporter::done(int result)
{
    ResetCursor();
    QDialog::done(result);
}

void TCSVImporter::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}
