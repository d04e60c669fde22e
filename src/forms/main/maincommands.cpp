#include "forms/main/maincommands.h"

#include "forms/main/artwork.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace {
constexpr int NoPicture = -1;
using namespace Artwork;

QAction *makeAction(QMainWindow *window, const char *name, const QString &caption,
                    const QKeySequence &shortcut, int picture)
{
    auto *action = new QAction(caption, window);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    // Shortcuts belong to the window, so they work while the list or the category box has
    // the focus.
    action->setShortcutContext(Qt::WindowShortcut);
    if (picture != NoPicture)
        action->setIcon(ActionIcon(picture));
    action->setEnabled(false);
    window->addAction(action);
    return action;
}

// A command that only a menu offers: no key, no picture.
QAction *makeMenuOnly(QMainWindow *window, const char *name, const QString &caption)
{
    auto *action = new QAction(caption, window);
    action->setObjectName(QLatin1String(name));
    action->setEnabled(false);
    return action;
}

QMenu *makeMenu(QWidget *parent, const char *name, const QString &title)
{
    auto *menu = new QMenu(title, parent);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

// A menu item that runs command: its caption, picture and key, shown but not bound (the
// command itself holds the key), enabled while the command is.
QAction *makeMenuItem(QMainWindow *window, const char *name, QAction *command)
{
    QString caption = command->text();
    if (!command->shortcut().isEmpty())
        caption += QLatin1Char('\t') + command->shortcut().toString(QKeySequence::NativeText);
    auto *item = new QAction(command->icon(), caption, window);
    item->setObjectName(QLatin1String(name));
    item->setEnabled(command->isEnabled());
    QObject::connect(command, &QAction::enabledChanged, item, &QAction::setEnabled);
    QObject::connect(item, &QAction::triggered, command, &QAction::trigger);
    return item;
}

QToolBar *makeToolBar(QMainWindow *window, const char *name, const QString &title)
{
    // Owned by the window until it places the bar.
    auto *bar = new QToolBar(title, window);
    bar->setObjectName(QLatin1String(name));
    bar->setMovable(false);
    bar->setFloatable(false);
    return bar;
}
} // namespace

TMainCommands::TMainCommands(QMainWindow *window)
{
    const QKeySequence none;
    actNewContact = makeAction(window, "actNewContact", QStringLiteral("&New contact"),
                               QKeySequence(Qt::CTRL | Qt::Key_N), NewContactPicture);
    actModifyContact = makeAction(window, "actModifyContact", QStringLiteral("&Modify contact"),
                                  QKeySequence(Qt::CTRL | Qt::Key_M), ModifyContactPicture);
    actDeleteContact = makeAction(window, "actDeleteContact", QStringLiteral("&Delete contact"),
                                  QKeySequence(Qt::Key_Delete), DeleteContactPicture);
    actFindDuplicates =
        makeAction(window, "actFindDuplicates", QStringLiteral("Find &Duplicates..."),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), NoPicture);
    actUndo = makeAction(window, "actUndo", QStringLiteral("&Undo"),
                         QKeySequence(Qt::CTRL | Qt::Key_Z), NoPicture);
    actDeletedContacts = makeAction(window, "actDeletedContacts",
                                    QStringLiteral("Dele&ted Contacts..."), none, NoPicture);
    actChangeProfile = makeAction(window, "actChangeProfile", QStringLiteral("&Change profile ..."),
                                  QKeySequence(Qt::Key_F6), NoPicture);
    actExit = makeAction(window, "actExit", QStringLiteral("E&xit Calbrey"),
                         QKeySequence(Qt::CTRL | Qt::Key_Q), NoPicture);
    mnuSimple = makeAction(window, "mnuSimple", QStringLiteral("&Simple view"), none, NoPicture);
    mnuDetails = makeAction(window, "mnuDetails", QStringLiteral("&Details view"), none, NoPicture);
    actBacupProfile = makeAction(window, "actBacupProfile", QStringLiteral("&Backup Profile"),
                                 QKeySequence(Qt::CTRL | Qt::Key_B), NoPicture);
    actRestoreProfile = makeAction(window, "actRestoreProfile", QStringLiteral("&Restore Profile"),
                                   QKeySequence(Qt::CTRL | Qt::Key_R), NoPicture);
    actSendMail = makeAction(window, "actSendMail", QStringLiteral("&Send mail now"),
                             QKeySequence(Qt::Key_F2), NoPicture);
    actWebSite = makeAction(window, "actWebSite", QStringLiteral("&Go to Web Site"),
                            QKeySequence(Qt::Key_F3), NoPicture);
    actOtherEmail =
        makeAction(window, "actOtherEmail", QStringLiteral("Send via &Other E-Mail Addresses"),
                   QKeySequence(Qt::Key_F4), NoPicture);
    actSearchNow = makeAction(window, "actSearchNow", QStringLiteral("S&earch now"),
                              QKeySequence(Qt::Key_F12), NoPicture);
    muSearchBar =
        makeAction(window, "muSearchBar", QStringLiteral("&Search Bar"), none, SearchBarPicture);
    actOptions = makeAction(window, "actOptions", QStringLiteral("&Calbrey Options"),
                            QKeySequence(Qt::Key_F11), NoPicture);
    actHelpTopics = makeAction(window, "actHelpTopics", QStringLiteral("&Help topics"),
                               QKeySequence(Qt::Key_F1), HelpTopicsPicture);
    actCheckForUpdate =
        makeAction(window, "actCheckForUpdate", QStringLiteral("&Check internet for updates"),
                   QKeySequence(Qt::CTRL | Qt::Key_U), NoPicture);
    actAboutBox =
        makeAction(window, "actAboutBox", QStringLiteral("&About Calbrey"), none, NoPicture);
    actPrint = makeAction(window, "actPrint", QStringLiteral("&Create Report"),
                          QKeySequence(Qt::CTRL | Qt::Key_P), CreateReportPicture);

    mnHide = makeMenuOnly(window, "mnHide", QStringLiteral("&Hide in tray"));
    ImportCSVFile1 = makeMenuOnly(window, "ImportCSVFile1", QStringLiteral("Import &CSV File"));
    ImportvCardFile1 =
        makeMenuOnly(window, "ImportvCardFile1", QStringLiteral("Import &vCard File"));
    ExportvCardFile1 =
        makeMenuOnly(window, "ExportvCardFile1", QStringLiteral("E&xport vCard File"));
    ExportCSVFile1 = makeMenuOnly(window, "ExportCSVFile1", QStringLiteral("Export CSV &File"));
    actServerSync = makeMenuOnly(window, "actServerSync", QStringLiteral("Server &Sync..."));
    actSyncNow = makeAction(window, "actSyncNow", QStringLiteral("S&ync Now"),
                            QKeySequence(Qt::Key_F5), NoPicture);

    viewGroup = new QActionGroup(window);
    viewGroup->setExclusive(true);
    for (QAction *view : {mnuSimple, mnuDetails}) {
        view->setCheckable(true);
        viewGroup->addAction(view);
    }

    Contact1 = makeMenu(window, "Contact1", QStringLiteral("&Contact"));
    Contact1->addActions({actNewContact, actModifyContact, actDeleteContact});
    Contact1->addAction(actFindDuplicates);
    Contact1->addSeparator();
    Contact1->addActions({actUndo, actDeletedContacts});
    Contact1->addSeparator();
    Contact1->addActions({actChangeProfile, mnHide, actExit});

    View1 = makeMenu(window, "View1", QStringLiteral("&View"));
    View1->addActions({mnuSimple, mnuDetails});
    View1->addSeparator();
    View1->addAction(muSearchBar);

    BackupTools1 = makeMenu(window, "BackupTools1", QStringLiteral("&Backup Tools"));
    BackupTools1->addActions({actBacupProfile, actRestoreProfile});
    BackupTools1->addSeparator();
    ImportExport1 = makeMenu(BackupTools1, "ImportExport1", QStringLiteral("&Import/Export"));
    ImportExport1->addActions({ImportCSVFile1, ImportvCardFile1, ExportvCardFile1, ExportCSVFile1});
    BackupTools1->addMenu(ImportExport1);
    BackupTools1->addSeparator();
    BackupTools1->addActions({actServerSync, actSyncNow});

    mnSendMail = makeMenuItem(window, "mnSendMail", actSendMail);
    mnWebSite = makeMenuItem(window, "mnWebSite", actWebSite);
    mnOtherEmail = makeMenuItem(window, "mnOtherEmail", actOtherEmail);
    mnSearchNow = makeMenuItem(window, "mnSearchNow", actSearchNow);

    Go1 = makeMenu(window, "Go1", QStringLiteral("&Go"));
    Go1->addActions({mnSendMail, mnWebSite, mnOtherEmail});
    Go1->addSeparator();
    Go1->addAction(mnSearchNow);
    Go1->addSeparator();
    Go1->addAction(actPrint);
    Go1->addSeparator();
    Go1->addAction(actOptions);

    Help1 = makeMenu(window, "Help1", QStringLiteral("&Help"));
    Help1->addActions({actHelpTopics, actCheckForUpdate});
    Help1->addSeparator();
    Help1->addAction(actAboutBox);

    tbMenu = makeToolBar(window, "tbMenu", QStringLiteral("Menu"));
    tbMenu->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QMenu *menu : {Contact1, View1, BackupTools1, Go1, Help1}) {
        auto *button = new QToolButton(tbMenu);
        button->setObjectName(QStringLiteral("tb") + menu->objectName());
        // The caption's mnemonic (Alt+C, Alt+V ...) drops the menu down, as a menu bar's would.
        button->setText(menu->title());
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setAutoRaise(true);
        button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
        tbMenu->addWidget(button);
    }

    ToolBar2 = makeToolBar(window, "ToolBar2", QStringLiteral("Commands"));
    ToolBar2->setIconSize(QSize(ToolbarSize, ToolbarSize));
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar2->addActions({actNewContact, actModifyContact, actDeleteContact});
    ToolBar2->addSeparator();
    ToolBar2->addActions({muSearchBar, actPrint});
    for (QAction *action : ToolBar2->actions()) {
        if (QWidget *button = ToolBar2->widgetForAction(action); button && !action->isSeparator())
            button->setMinimumHeight(44);
    }
}

void TMainCommands::Bind(QAction *action, std::function<void()> handler)
{
    QObject::connect(action, &QAction::triggered, action, Gated(std::move(handler)));
    action->setEnabled(true);
}

void TMainCommands::BindUngated(QAction *action, const std::function<void()> &handler)
{
    QObject::connect(action, &QAction::triggered, action, handler);
    action->setEnabled(true);
}

std::function<void()> TMainCommands::Gated(std::function<void()> handler)
{
    return [this, handler = std::move(handler)] {
        if (!Suspended())
            handler();
    };
}
