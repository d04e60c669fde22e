#include "import/frmcsvimporter.h"

#include "app/untcommon.h"
#include "forms/common/dialogplacement.h"
#include "forms/main/programfont.h"
#include "import/contactimport.h"
#include "import/csvcolumnmapping.h"
#include "import/csvcontacts.h"
#include "import/csvmappingheader.h"
#include "import/csvtablemodel.h"
#include "import/importreport.h"
#include "platform/calbreyerror.h"
#include "platform/iniidentity.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "ui_frmcsvimporter.h"

#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QStyledItemDelegate>
#include <limits>
#include <tuple>

namespace {

// Columns are made as wide as their header and first rows need, within these bounds.
constexpr int kMinimumColumnWidth = 64;
constexpr int kMaximumColumnWidth = 240;
constexpr int kRowsMeasured = 50;
// A header named in the label over the column's field list is cut to this many characters.
constexpr int kHeaderShown = 24;

struct EncodingName
{
    TCsvEncoding encoding;
    const char *name;
};
constexpr EncodingName kEncodings[] = {
    {TCsvEncoding::Utf8, "UTF-8"},
    {TCsvEncoding::Windows1252, "Windows-1252"},
    {TCsvEncoding::Utf16Le, "UTF-16 LE"},
    {TCsvEncoding::Utf16Be, "UTF-16 BE"},
};

struct SeparatorName
{
    char separator;
    const char *name;
};
constexpr SeparatorName kSeparators[] = {
    {',', "Comma"},
    {';', "Semicolon"},
    {'\t', "Tab"},
};

QList<std::pair<QString, QString>> rememberedChoices()
{
    return ActiveProfile ? ActiveProfile->ReadCsvColumnChoices()
                         : QList<std::pair<QString, QString>>();
}

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
    : QDialog(parent), ui(std::make_unique<Ui::TCSVImporter>()), m_model(new TCsvTableModel(this)),
      m_mapping(std::make_unique<TCsvColumnMapping>(LoadFieldAlignmentTable(), rememberedChoices()))
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    // Exports of other programs have many columns: the window can grow to show more.
    setMinimumSize(674, 340);
    setSizeGripEnabled(true);

    for (const EncodingName &encoding : kEncodings)
        ui->cbEncoding->addItem(QLatin1String(encoding.name), int(encoding.encoding));
    for (const SeparatorName &separator : kSeparators)
        ui->cbSeparator->addItem(QLatin1String(separator.name), int(separator.separator));
    ui->cbColumnField->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    QTableView *grid = ui->sgImport;
    auto *header = new TCsvMappingHeader(grid);
    grid->setHorizontalHeader(header);
    grid->setModel(m_model);
    grid->setItemDelegate(new CellDelegate(grid));
    header->setSectionResizeMode(QHeaderView::Interactive);
    // One line per row, as high as the font needs, however many rows the file has.
    QHeaderView *rows = grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    rows->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(ui->Button1, &QPushButton::clicked, this, &TCSVImporter::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button7, &QPushButton::clicked, this, &TCSVImporter::Button7Click);
    connect(ui->cbEncoding, &QComboBox::activated, this, &TCSVImporter::formatChosen);
    connect(ui->cbSeparator, &QComboBox::activated, this, &TCSVImporter::formatChosen);
    connect(ui->cbColumnField, &QComboBox::activated, this, [this](int index) {
        ChooseColumnKey(currentColumn(), ui->cbColumnField->itemData(index).toString());
    });
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TCSVImporter::showColumnChoice);
    connect(header, &QHeaderView::sectionClicked, this, &TCSVImporter::columnHeaderClicked);
    showFormat();
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
    m_bytes = std::move(content.bytes);
    m_format = DetectCsvFormat(m_bytes);
    readTable();
    return true;
}

bool TCSVImporter::SetFormat(const TCsvFormat &format)
{
    if (format == m_format)
        return true;
    if (m_model->Table().HasEdits() &&
        ShowMessageBox(QStringLiteral("Reading the file again in another encoding or with another "
                                      "separator discards the changes you made in the grid. "
                                      "Read it again?"),
                       windowTitle(), MessageBoxFlag::Question) != MessageBoxResult::Yes) {
        showFormat();
        return false;
    }
    m_format = format;
    readTable();
    return true;
}

void TCSVImporter::readTable()
{
    m_model->SetTable(TCsvParser::Parse(m_bytes, m_format));
    m_mapping->SetHeaders(m_model->Table().Row(0));
    showFormat();
    showColumnTargets();
    sizeColumns();
    ResetCursor();
    showColumnChoice();
}

void TCSVImporter::showFormat()
{
    ui->cbEncoding->setCurrentIndex(ui->cbEncoding->findData(int(m_format.encoding)));
    ui->cbSeparator->setCurrentIndex(ui->cbSeparator->findData(int(m_format.separator)));
}

void TCSVImporter::formatChosen()
{
    TCsvFormat format;
    format.encoding = TCsvEncoding(ui->cbEncoding->currentData().toInt());
    format.separator = char(ui->cbSeparator->currentData().toInt());
    SetFormat(format);
}

int TCSVImporter::currentColumn() const
{
    return qMax(0, ui->sgImport->currentIndex().column());
}

void TCSVImporter::showColumnTargets()
{
    m_model->SetColumnTargets(m_mapping->TargetTexts());
}

void TCSVImporter::showColumnChoice()
{
    const int column = currentColumn();
    QString header = m_mapping->Headers().value(column);
    if (header.size() > kHeaderShown)
        header = header.first(kHeaderShown - 1) + QChar(0x2026);
    ui->lblColumnField->setText(QStringLiteral("Column \"") +
                                header.replace(u'&', QStringLiteral("&&")) +
                                QStringLiteral("\" &goes to:"));
    QComboBox *box = ui->cbColumnField;
    box->clear();
    for (const TCsvColumnChoice &choice : m_mapping->Choices(column))
        box->addItem(choice.text, choice.key);
    box->setCurrentIndex(box->findData(m_mapping->Chosen(column)));
    box->setEnabled(column < m_mapping->Headers().size());
    ui->sgImport->horizontalHeader()->viewport()->update(); // it marks the current column
}

void TCSVImporter::ChooseColumnKey(int column, const QString &key)
{
    m_mapping->Choose(column, key);
    showColumnTargets();
    showColumnChoice();
}

void TCSVImporter::columnHeaderClicked(int column)
{
    // The home and work fields in menus of their own keep the list short.
    QHeaderView *header = ui->sgImport->horizontalHeader();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuColumnField"));
    QMenu *home = nullptr;
    QMenu *work = nullptr;
    QActionGroup group(&menu);
    const QString chosen = m_mapping->Chosen(column);
    for (const TCsvColumnChoice &choice : m_mapping->Choices(column)) {
        QMenu *into = &menu;
        QString text = choice.text;
        for (auto [prefix, submenu, title] :
             {std::tuple{QStringLiteral("Home: "), &home, QStringLiteral("&Home")},
              std::tuple{QStringLiteral("Work: "), &work, QStringLiteral("&Work")}}) {
            if (!text.startsWith(prefix))
                continue;
            if (!*submenu)
                *submenu = menu.addMenu(title);
            into = *submenu;
            text.remove(0, prefix.size());
        }
        QAction *action = into->addAction(text.replace(u'&', QStringLiteral("&&")));
        action->setData(choice.key);
        action->setCheckable(true);
        action->setChecked(choice.key == chosen);
        action->setActionGroup(&group);
        if (choice.key == QLatin1String(CsvSkipKey))
            menu.addSeparator(); // between what is not a field and the fields
    }
    const QPoint below(header->sectionViewportPosition(column), header->height());
    if (const QAction *picked = menu.exec(header->viewport()->mapToGlobal(below)))
        ChooseColumnKey(column, picked->data().toString());
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
        // The header's own size takes the field under the header in too.
        width = qMax(width + padding, grid->horizontalHeader()->sectionSizeHint(column));
        grid->setColumnWidth(column, qBound(kMinimumColumnWidth, width, kMaximumColumnWidth));
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

    const TCsvContacts contacts(m_model->Table(), LoadFieldAlignmentTable(), m_mapping->Keys());
    // The numbers are those at the grid's left.
    const TImportResult result = ImportWithReport(
        this, contacts.Count(), [&contacts](qsizetype i) { return contacts.Contact(i); },
        QStringLiteral("row"));
    if (result.cancelled)
        return;
    rememberChoices();
    accept();
}

void TCSVImporter::rememberChoices()
{
    const QList<std::pair<QString, QString>> changed = m_mapping->ChangedChoices();
    if (changed.isEmpty())
        return;
    // The contacts are in: a choice that cannot be remembered is told, and the import stands.
    try {
        ActiveProfile->WriteCsvColumnChoices(changed);
        m_mapping->ChoicesStored();
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    }
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
