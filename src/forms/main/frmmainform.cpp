#include "forms/main/frmmainform.h"

#include "app/untcommon.h"
#include "csvexport/csvexportcommands.h"
#include "forms/common/programend.h"
#include "forms/dialogs/frmaboutbox.h"
#include "forms/dialogs/frmaddmodifycontact.h"
#include "forms/duplicates/duplicatecommands.h"
#include "forms/main/actionbar.h"
#include "forms/main/contactlistdelegate.h"
#include "forms/main/contactlistview.h"
#include "forms/main/maincommands.h"
#include "forms/main/optionsandupdates.h"
#include "forms/main/profilecommands.h"
#include "forms/main/programfont.h"
#include "forms/main/quickactions.h"
#include "forms/main/searchbar.h"
#include "forms/main/trashcommands.h"
#include "forms/main/trayhiding.h"
#include "forms/main/trayicon.h"
#include "forms/sync/synccommands.h"
#include "import/csvimportcommand.h"
#include "platform/messagebox.h"
#include "profiles/untprofiles.h"
#include "reports/reportcommands.h"
#include "vcard/vcardcommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScopedValueRollback>
#include <QStringListModel>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
QWidget *makePanel(QWidget *parent, const char *name)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    return panel;
}
} // namespace

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setFont(ProgramFont(8));
    resize(596, 480);
    createControls();
    bindCommands();
    ApplyProfileToWindow();
    // Creation: the action bar shows the application's icon.
    abPanel->SetIcon(QApplication::windowIcon());
}

TMainForm::~TMainForm() = default;

void TMainForm::createControls()
{
    m_commands = std::make_unique<TMainCommands>(this);
    m_trayHiding = new TTrayHiding(
        *this, *m_commands, [this] { return TrayAvailable(); }, [this] { ApplyProfileToWindow(); });
    new TProfileCommands(*this, *m_commands);

    // The three full-width bands at the top take the place of a menu bar.
    CoolBar1 = makePanel(this, "CoolBar1");
    auto *bands = new QVBoxLayout(CoolBar1);
    bands->setContentsMargins(0, 0, 0, 0);
    bands->setSpacing(0);
    bands->addWidget(m_commands->tbMenu);
    bands->addWidget(m_commands->ToolBar2);
    auto *categoryBand = makePanel(CoolBar1, "CategoryBand");
    auto *categoryRow = new QHBoxLayout(categoryBand);
    categoryRow->setContentsMargins(4, 2, 4, 2);
    categoryRow->addWidget(new QLabel(QStringLiteral("Category"), categoryBand));
    cbCategory = new QComboBox(categoryBand);
    cbCategory->setObjectName(QStringLiteral("cbCategory"));
    cbCategory->setEditable(false);
    cbCategory->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbCategory->setMinimumContentsLength(12);
    categoryRow->addWidget(cbCategory, 1);
    bands->addWidget(categoryBand);
    setMenuWidget(CoolBar1);

    auto *central = makePanel(this, "CentralArea");
    auto *centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 5, 0, 0);
    centralLayout->setSpacing(0);

    panelMainControls = makePanel(central, "panelMainControls");
    auto *mainLayout = new QVBoxLayout(panelMainControls);
    mainLayout->setContentsMargins(10, 0, 10, 0);
    mainLayout->setSpacing(0);
    TSearchHost searchHost{
        .listedContacts =
            [this] {
                fillPendingList();
                return ListedContacts();
            },
        .showResults = [this](const QStringList &names,
                              const QString &entry) { showSearchResults(names, entry); },
        .reloadKeepingSelection = [this] { ReloadContactList(true); },
    };
    m_searchBar = new TSearchBar(*m_commands, std::move(searchHost), panelMainControls);
    mainLayout->addWidget(m_searchBar->panelSearchResults());

    lbContactList = new TContactListView(panelMainControls);
    lbContactList->setObjectName(QStringLiteral("lbContactList"));
    m_contacts = new QStringListModel(this);
    lbContactList->setModel(m_contacts);
    m_delegate = new TContactListDelegate(lbContactList);
    lbContactList->setItemDelegate(m_delegate);
    mainLayout->addWidget(lbContactList, 1);
    m_searchBar->FollowInTabOrder(lbContactList);

    mainLayout->addWidget(m_searchBar->panelSearch());
    centralLayout->addWidget(panelMainControls, 1);

    abPanel = new TActionBar(central);
    m_quickActions = new TQuickActions(*abPanel, *m_commands, [this] { return SelectedContact(); });
    centralLayout->addWidget(abPanel);
    setCentralWidget(central);
}

void TMainForm::bindCommands()
{
    TMainCommands &c = *m_commands;
    c.Bind(c.actNewContact, [this] { actNewContactExecute(); });
    c.Bind(c.actModifyContact, [this] { actModifyContactExecute(); });
    c.Bind(c.actDeleteContact, [this] { actDeleteContactExecute(); });
    // The exit commands always end the program, also in the middle of a reload.
    c.BindUngated(c.actExit, [this] { actExitExecute(); });
    c.Bind(c.mnuSimple, [this] { mnuSimpleExecute(); });
    c.Bind(c.mnuDetails, [this] { mnuDetailsExecute(); });
    c.Bind(c.actHelpTopics, [this] { actHelpTopicsExecute(); });
    c.Bind(c.actAboutBox, [this] { actAboutBoxExecute(); });
    new TOptionsAndUpdates(*this, c);
    new TReportCommands(*this, c, *lbContactList);
    new TCsvImportCommand(*this, c);
    new TVCardCommands(*this, c, *lbContactList);
    new TCsvExportCommands(*this, c);
    new TTrashCommands(*this, c);
    new TDuplicateCommands(*this, c);
    new TSyncCommands(*this, c, *abPanel, [this](const QString &title, const QString &text) {
        return m_trayHiding->TrayIcon().ShowBalloon(title, text);
    });
    connect(c.View1, &QMenu::aboutToShow, this, &TMainForm::View1Click);
    connect(lbContactList, &TContactListView::rightButtonPressed, this,
            c.Gated([this] { actModifyContactExecute(); }));
    connect(lbContactList, &TContactListView::lbContactListClick, m_quickActions,
            &TQuickActions::UpdateActionPanel);
    // Only a choice by the user filters here; the window's own changes call it directly.
    connect(cbCategory, &QComboBox::activated, this, c.Gated([this] { cbCategoryChange(); }));
}

void TMainForm::ApplyProfileToWindow()
{
    // After a failed profile switch there is no profile until the program is restarted: the
    // window then shows nothing and its contact commands do nothing.
    const QString profileName = ActiveProfile ? ActiveProfile->GetProfileInfo(2) : QString();
    setWindowTitle(QStringLiteral("Quenlark Calbrey, as ") + profileName);
    if (!fillListOnceReadAhead())
        ReloadContactList(false);
    m_trayHiding->ApplyProfile();
    if (!ActiveProfile)
        return;
    m_delegate->SetDetailed(ActiveProfile->FullDisplay);
    m_searchBar->SetBarVisible(ActiveProfile->DisplaySearchBar);
}

QStringList TMainForm::ListedContacts() const
{
    return m_contacts->stringList();
}

void TMainForm::setListedContacts(const QStringList &names)
{
    m_contacts->setStringList(names);
}

void TMainForm::showSearchResults(const QStringList &names, const QString &entry)
{
    setListedContacts(names);
    cbCategory->clear();
    cbCategory->addItem(entry);
    cbCategory->setCurrentIndex(0);
    cbCategory->setEnabled(false);
}

bool TMainForm::HasSelectedContact() const
{
    return lbContactList->selectionModel()->hasSelection();
}

std::optional<QString> TMainForm::SelectedContact() const
{
    if (!HasSelectedContact())
        return std::nullopt;
    return SelectedContactName();
}

void TMainForm::ClearContactList()
{
    m_listPending = false;
    lbContactList->SetPlaceholderText(QString());
    setListedContacts({});
}

QString TMainForm::SelectedContactName() const
{
    const QModelIndexList rows = lbContactList->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data(Qt::DisplayRole).toString();
}

void TMainForm::selectContact(const QString &name)
{
    const QStringList &names = m_contacts->stringList();
    for (int row = 0; row < names.size(); ++row) {
        if (names.at(row).compare(name, Qt::CaseInsensitive) == 0) {
            const QModelIndex index = m_contacts->index(row);
            lbContactList->selectionModel()->setCurrentIndex(index,
                                                             QItemSelectionModel::ClearAndSelect);
            lbContactList->scrollTo(index);
            return;
        }
    }
}

bool TMainForm::fillListOnceReadAhead()
{
    if (!ActiveProfile)
        return false;
    const QPointer<TMainForm> window(this);
    const bool reading = ActiveProfile->WhenContactsReadAhead([window] {
        QMetaObject::invokeMethod(
            qApp,
            [window] {
                if (window)
                    window->fillPendingList();
            },
            Qt::QueuedConnection);
    });
    if (!reading)
        return false;
    m_listPending = true;
    lbContactList->SetPlaceholderText(QStringLiteral("Reading the contacts..."));
    return true;
}

void TMainForm::fillPendingList()
{
    if (!m_listPending)
        return;
    // Without the reload's pause for pending events: it comes unasked, maybe while a dialog
    // is open, and must not drop a command that arrives meanwhile (Close from the tray).
    const QScopedValueRollback reloading(m_reloading, true);
    ReloadContactList(false);
}

void TMainForm::ReloadContactList(bool keepSelection)
{
    m_listPending = false;
    cbCategory->setEnabled(true);

    QString keptName;
    QString keptCategory;
    if (keepSelection && HasSelectedContact()) {
        keptName = SelectedContactName();
        keptCategory = cbCategory->currentText();
    } else {
        keepSelection = false;
    }

    // Let a pending repaint or a closing drop-down finish first. The user's input waits, and
    // a command that arrives another way (a timer, the tray icon) is ignored, so nothing
    // changes the profile or the list in the middle of the reload; a reload that such an
    // event asks for runs without this pause.
    if (!m_reloading) {
        const QScopedValueRollback reloading(m_reloading, true);
        const TMainCommands::Suspend suspended(*m_commands);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

    QStringList names;
    QStringList categories;
    if (ActiveProfile) {
        ActiveProfile->GetContactNames(names);
        ActiveProfile->GetCategories(categories);
    }
    lbContactList->SetPlaceholderText(QString()); // kept while a book read ahead comes in
    setListedContacts(names);

    QStringList entries;
    for (const QString &category : std::as_const(categories)) {
        if (!entries.contains(category, Qt::CaseInsensitive))
            entries.append(category);
    }
    cbCategory->clear();
    cbCategory->addItems(entries);

    m_searchBar->ListShowsCategory(false);

    if (keepSelection) {
        // A category that went with its last contact leaves the whole list on show rather
        // than an unasked-for filter on the empty category.
        const int entry = cbCategory->findText(keptCategory, Qt::MatchFixedString);
        cbCategory->setCurrentIndex(entry >= 0 ? entry : 0);
        cbCategoryChange();
        selectContact(keptName);
    } else {
        cbCategory->setCurrentIndex(0);
        abPanel->HideQuickActions();
    }
}

void TMainForm::cbCategoryChange()
{
    QStringList names;
    if (ActiveProfile && cbCategory->currentIndex() <= 0)
        ActiveProfile->GetContactNames(names);
    else if (ActiveProfile)
        ActiveProfile->GetContactsInCategory(names, cbCategory->currentText());
    setListedContacts(names);
    m_searchBar->ListShowsCategory(cbCategory->currentIndex() > 0);
}

void TMainForm::runContactEditor(bool modify)
{
    if (!ActiveProfile)
        return;
    TAddModifyUser editor(this);
    editor.PrepareForContact(modify, modify ? SelectedContactName() : QString());
    if (editor.exec() != QDialog::Rejected)
        ReloadContactList(true);
}

void TMainForm::actNewContactExecute()
{
    runContactEditor(false);
}

void TMainForm::actModifyContactExecute()
{
    if (!ActiveProfile)
        return;
    if (!HasSelectedContact()) {
        ShowMessageBox(QStringLiteral("Please select a contact to modify first."),
                       QStringLiteral("Please select contact."), MessageBoxFlag::Information);
        return;
    }
    runContactEditor(true);
}

void TMainForm::actDeleteContactExecute()
{
    if (!ActiveProfile)
        return;
    if (!HasSelectedContact()) {
        ShowMessageBox(QStringLiteral("Please select a contact to delete."),
                       QStringLiteral("Select contact."), MessageBoxFlag::Information);
        return;
    }
    if (ActiveProfile->DeleteContact(SelectedContactName()))
        ReloadContactList(false);
}

void TMainForm::actExitExecute()
{
    ExitRequested = true;
    close();
}

void TMainForm::setFullDisplay(bool on)
{
    if (!ActiveProfile)
        return;
    ActiveProfile->FullDisplay = on;
    ActiveProfile->SaveSettings();
    ApplyProfileToWindow();
}

void TMainForm::mnuSimpleExecute()
{
    setFullDisplay(false);
}

void TMainForm::mnuDetailsExecute()
{
    setFullDisplay(true);
}

void TMainForm::actHelpTopicsExecute()
{
    OpenHelpTopic(QStringLiteral("contents"));
}

void TMainForm::actAboutBoxExecute()
{
    TAboutBox about(this);
    about.exec();
}

void TMainForm::View1Click()
{
    if (!ActiveProfile)
        return;
    (ActiveProfile->FullDisplay ? m_commands->mnuDetails : m_commands->mnuSimple)->setChecked(true);
}

bool TMainForm::TrayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    event->setAccepted(m_trayHiding->FormCloseQuery(ExitRequested));
    if (!event->isAccepted())
        return;
    TProgramEnd::Begin();
    emit Closed();
}
