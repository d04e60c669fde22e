#include "forms/dialogs/frmdeletedcontacts.h"

#include "app/untcommon.h"
#include "forms/common/waitcursor.h"
#include "forms/dialogs/deletedcontactsmodel.h"
#include "forms/main/programfont.h"
#include "import/frmimportexists.h"
#include "import/importprogress.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/trash.h"
#include "profiles/trashrestore.h"
#include "profiles/untprofiles.h"
#include "ui_frmdeletedcontacts.h"

#include <QAction>
#include <QHeaderView>
#include <algorithm>

namespace {

QString contactsText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 contact")
                      : QString::number(count) + QStringLiteral(" contacts");
}

} // namespace

TDeletedContacts::TDeletedContacts(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TDeletedContacts>()),
      m_model(new TDeletedContactsModel(this))
{
    ui->setupUi(this);
    setFont(ProgramFont(8));
    setSizeGripEnabled(true);
    ui->tvDeleted->setModel(m_model);

    QHeaderView *header = ui->tvDeleted->horizontalHeader();
    header->setStretchLastSection(true);
    header->resizeSection(TDeletedContactsModel::NameColumn, 220);
    header->resizeSection(TDeletedContactsModel::LeftColumn,
                          fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00")) + 24);
    ui->tvDeleted->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    resize(600, 400);

    // Del on the list deletes the chosen entries for good (after the question).
    auto *deleteKey = new QAction(ui->tvDeleted);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    ui->tvDeleted->addAction(deleteKey);
    connect(deleteKey, &QAction::triggered, this, &TDeletedContacts::btnDeleteForGoodClick);

    connect(ui->edSearch, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_model->SetSearchText(text);
        updateControls();
    });
    // Enter or a double click on an entry brings it back.
    connect(ui->tvDeleted, &QTableView::activated, this, &TDeletedContacts::btnRestoreClick);
    connect(ui->tvDeleted->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TDeletedContacts::updateControls);
    connect(ui->btnRestore, &QPushButton::clicked, this, &TDeletedContacts::btnRestoreClick);
    connect(ui->btnDeleteForGood, &QPushButton::clicked, this,
            &TDeletedContacts::btnDeleteForGoodClick);
    connect(ui->btnEmptyTrash, &QPushButton::clicked, this, &TDeletedContacts::btnEmptyTrashClick);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::accept);

    reload();
}

TDeletedContacts::~TDeletedContacts() = default;

QStringList TDeletedContacts::selectedIds() const
{
    QStringList ids;
    for (const QModelIndex &row : ui->tvDeleted->selectionModel()->selectedRows())
        ids.append(m_model->EntryAt(row.row()).id);
    return ids;
}

int TDeletedContacts::firstSelectedRow() const
{
    return ui->tvDeleted->selectionModel()->selectedRows().first().row();
}

void TDeletedContacts::reload()
{
    if (ActiveProfile)
        m_model->Reload(ActiveProfile->Trash());
    updateControls();
}

void TDeletedContacts::updateControls()
{
    const bool chosen = ui->tvDeleted->selectionModel()->hasSelection();
    ui->btnRestore->setEnabled(chosen);
    ui->btnDeleteForGood->setEnabled(chosen);
    ui->btnEmptyTrash->setEnabled(m_model->EntryCount() > 0);

    const qsizetype all = m_model->EntryCount();
    const int shown = m_model->rowCount();
    QString text;
    if (all == 0) {
        text = QStringLiteral("The trash is empty.");
    } else {
        text = contactsText(all) + QStringLiteral(" in the trash");
        if (shown != all)
            text += QStringLiteral(", ") + QString::number(shown) + QStringLiteral(" found");
        text += QLatin1Char('.');
    }
    const int days = ActiveProfile ? ActiveProfile->KeepDeletedDays : 0;
    text += days > 0 ? QStringLiteral("  Deleted contacts are kept for %1 days.").arg(days)
                     : QStringLiteral("  Deleted contacts are kept until you empty the trash.");
    setStatus(m_lastAction.isEmpty() ? text : m_lastAction + QStringLiteral("  ") + text);
}

void TDeletedContacts::setStatus(const QString &text)
{
    ui->lblStatus->setText(text);
}

void TDeletedContacts::btnRestoreClick()
{
    const QStringList ids = selectedIds();
    if (!ActiveProfile || ids.isEmpty())
        return;
    try {
        TContactExistsQuestion question(this);
        TImportProgressDialog progress(this);
        progress.Dialog().setWindowTitle(QStringLiteral("Restoring"));
        progress.Dialog().setLabelText(QStringLiteral("Restoring contacts..."));
        const TRestoreResult result = RestoreFromTrash(*ActiveProfile, ids, question, &progress);
        if (result.cancelled) {
            m_lastAction = QStringLiteral("The restore was cancelled; nothing was restored.");
            reload();
            return;
        }
        m_restored = m_restored || !result.restored.isEmpty();
        if (result.restored.size() == 1)
            m_lastAction =
                QLatin1Char('"') + result.restored.first() + QStringLiteral("\" was restored.");
        else if (result.restored.isEmpty())
            m_lastAction = QStringLiteral("Nothing was restored.");
        else
            m_lastAction = contactsText(result.restored.size()) + QStringLiteral(" were restored.");
        if (!result.unstorable.isEmpty())
            ShowMessageBox(contactsText(result.unstorable.size()) +
                               QStringLiteral(" could not be restored: the address book cannot "
                                              "hold their names (") +
                               result.unstorable.join(QStringLiteral(", ")) +
                               QStringLiteral("). They stay in the trash."),
                           QStringLiteral("Not restored"), MessageBoxFlag::Information);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    }
    reload();
}

void TDeletedContacts::btnDeleteForGoodClick()
{
    const QStringList ids = selectedIds();
    if (!ActiveProfile || ids.isEmpty())
        return;
    const QString question =
        ids.size() == 1
            ? QStringLiteral("Delete \"") + m_model->EntryAt(firstSelectedRow()).name +
                  QStringLiteral("\" for good?  It cannot be brought back.")
            : QStringLiteral("Delete the ") + QString::number(ids.size()) +
                  QStringLiteral(" chosen contacts for good?  They cannot be brought back.");
    const int answer =
        ShowMessageBox(question, QStringLiteral("Delete for good?"), MessageBoxFlag::Question);
    if (answer != MessageBoxResult::Yes)
        return;
    try {
        const WaitCursor working;
        ActiveProfile->Trash().Remove(ids);
        m_lastAction = contactsText(ids.size()) + QStringLiteral(" deleted for good.");
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    }
    reload();
}

void TDeletedContacts::btnEmptyTrashClick()
{
    const qsizetype count = m_model->EntryCount();
    if (!ActiveProfile || count == 0)
        return;
    const int answer =
        ShowMessageBox(QStringLiteral("Delete all ") + contactsText(count) +
                           QStringLiteral(" in the trash for good?  They cannot be brought back."),
                       QStringLiteral("Empty trash?"), MessageBoxFlag::Question);
    if (answer != MessageBoxResult::Yes)
        return;
    try {
        const WaitCursor working;
        ActiveProfile->Trash().Empty();
        m_lastAction = QStringLiteral("The trash was emptied.");
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    }
    reload();
}
