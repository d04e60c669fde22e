#include "forms/common/programend.h"
#include "forms/dialogs/frmaddmodifycontact.h"
#include "forms/main/contactlistview.h"
#include "forms/main/frmmainform.h"

#include "guitest.h"
#include "profiles/undohistory.h"
#include "profiles/untprofiles.h"
#include "scriptedmessagebox.h"
#include "testprofile.h"
#include "traydesktop.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>
#include <optional>

namespace {
struct Contact
{
    QString name;
    std::optional<QString> category; // nullopt: no aContactCat key at all
    QString email = QString();
    int icon = 0;
};

const QString ShowAll = QStringLiteral("Show all contacts");
const QString Uncategorized = QStringLiteral("Uncategorized contacts");

/// The usual mix: case twins, empty and missing categories, the pseudo-category texts.
QList<Contact> mixedBook()
{
    return {
        {QStringLiteral("Ann Lee"), QStringLiteral("Friends"), QStringLiteral("ann@example.org")},
        {QStringLiteral("Bob Smith"), QStringLiteral("friends")},
        {QStringLiteral("Cid Novak"), QString()},
        {QStringLiteral("Dan Rossi"), std::nullopt},
        {QStringLiteral("Eve Silva"), ShowAll},
        {QStringLiteral("Fay Chen"), QStringLiteral("Business")},
        {QStringLiteral("Gus Haddad"), Uncategorized},
    };
}
} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<TMainForm> m_form;
    std::unique_ptr<ScriptedMessageBox> m_boxes;

    void writeBook(const QList<Contact> &contacts)
    {
        QList<TestContact> book;
        for (const Contact &c : contacts) {
            TestContact entry{c.name, {{QStringLiteral("aContactName"), c.name}}};
            if (c.category)
                entry.fields.append({QStringLiteral("aContactCat"), *c.category});
            entry.fields.append({QStringLiteral("pEmailAddress"), c.email});
            entry.fields.append({QStringLiteral("aIcon"), QString::number(c.icon)});
            book.append(entry);
        }
        m_profile->fill(book);
    }

    QString savedSettings() const
    {
        QFile file(m_profile->settingsPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QComboBox *categoryBox() const { return child<QComboBox>(*m_form, "cbCategory"); }
    TContactListView *list() const { return child<TContactListView>(*m_form, "lbContactList"); }
    QAction *action(const char *name) const { return child<QAction>(*m_form, name); }
    void trigger(const char *name) { ::trigger(*m_form, name); }
    QStringList categoryEntries() const
    {
        QStringList entries;
        for (int i = 0; i < categoryBox()->count(); ++i)
            entries.append(categoryBox()->itemText(i));
        return entries;
    }
    void chooseCategory(const QString &text)
    {
        const int index = categoryBox()->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        QVERIFY2(index >= 0, qPrintable(text));
        categoryBox()->setCurrentIndex(index);
        emit categoryBox()->activated(index); // as when the user picks it
    }
    void selectRow(const QString &name)
    {
        const int row = m_form->ListedContacts().indexOf(name);
        QVERIFY2(row >= 0, qPrintable(name));
        list()->setCurrentIndex(list()->model()->index(row, 0));
    }
    QString selected() const
    {
        return m_form->HasSelectedContact() ? m_form->SelectedContactName() : QString();
    }

private slots:
    void initTestCase()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
    }
    void cleanupTestCase() { m_profile.reset(); }

    void init()
    {
        m_boxes = std::make_unique<ScriptedMessageBox>();
        ActiveProfile->FullDisplay = false;
        ActiveProfile->LoadOnStartup = false;
        ActiveProfile->DisplaySearchBar = false;
        writeBook(mixedBook());
        // The book is new: no earlier test's delete is left to undo.
        UndoHistory().Forget(*ActiveProfile);
        m_form = std::make_unique<TMainForm>();
    }

    void cleanup()
    {
        m_form.reset();
        TProgramEnd::ResetForTests();
        m_boxes.reset();
        // No dialog of a command outlives it.
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void emptyProfileListsNothing()
    {
        writeBook({});
        m_form->ApplyProfileToWindow();
        QCOMPARE(m_form->ListedContacts(), QStringList());
        QCOMPARE(categoryEntries(), QStringList{ShowAll});
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Quenlark Calbrey, as tester"));
        QVERIFY(!m_form->HasSelectedContact());
    }

    void categoryBoxHoldsEachCategoryOnceAsFirstWritten()
    {
        QCOMPARE(categoryEntries(), (QStringList{ShowAll, QStringLiteral("Friends"), Uncategorized,
                                                 QStringLiteral("Business")}));
        QCOMPARE(categoryBox()->currentIndex(), 0);
        QCOMPARE(m_form->ListedContacts().size(), 7);
        QVERIFY(categoryBox()->isEnabled());
    }

    void choosingACategoryFiltersByExactText()
    {
        chooseCategory(QStringLiteral("Friends"));
        QCOMPARE(m_form->ListedContacts(), QStringList{QStringLiteral("Ann Lee")});
        chooseCategory(Uncategorized);
        QCOMPARE(m_form->ListedContacts(),
                 (QStringList{QStringLiteral("Cid Novak"), QStringLiteral("Dan Rossi"),
                              QStringLiteral("Gus Haddad")}));
        chooseCategory(ShowAll);
        QCOMPARE(m_form->ListedContacts().size(), 7);
        QCOMPARE(m_form->ListedContacts().first(), QStringLiteral("Ann Lee"));
    }

    void reloadKeepingSelectionRestoresCategoryAndContact()
    {
        chooseCategory(QStringLiteral("Business"));
        selectRow(QStringLiteral("Fay Chen"));
        m_form->ReloadContactList(true);
        QCOMPARE(categoryBox()->currentText(), QStringLiteral("Business"));
        QCOMPARE(m_form->ListedContacts(), QStringList{QStringLiteral("Fay Chen")});
        QCOMPARE(selected(), QStringLiteral("Fay Chen"));

        // The category is found again when its first user now writes it in capitals.
        chooseCategory(QStringLiteral("Friends"));
        selectRow(QStringLiteral("Ann Lee"));
        QList<Contact> book = mixedBook();
        book[0].category = QStringLiteral("FRIENDS");
        writeBook(book);
        m_form->ReloadContactList(true);
        QCOMPARE(categoryBox()->currentText(), QStringLiteral("FRIENDS"));
        QCOMPARE(m_form->ListedContacts(), QStringList{QStringLiteral("Ann Lee")});
        QCOMPARE(selected(), QStringLiteral("Ann Lee"));
    }

    void reloadKeepingSelectionWhenTheCategoryIsGoneShowsAll()
    {
        chooseCategory(QStringLiteral("Business"));
        selectRow(QStringLiteral("Fay Chen"));
        QList<Contact> book = mixedBook();
        book[5].category = QStringLiteral("Work");
        writeBook(book);
        m_form->ReloadContactList(true);
        QCOMPARE(categoryBox()->currentIndex(), 0);
        QCOMPARE(m_form->ListedContacts().size(), 7);
        QCOMPARE(selected(), QStringLiteral("Fay Chen"));
    }

    void reloadWithoutSelectionStartsOver()
    {
        chooseCategory(QStringLiteral("Business"));
        selectRow(QStringLiteral("Fay Chen"));
        m_form->ReloadContactList(false);
        QCOMPARE(categoryBox()->currentIndex(), 0);
        QCOMPARE(m_form->ListedContacts().size(), 7);
        QVERIFY(!m_form->HasSelectedContact());

        // Keeping asked for with nothing selected is the same as not keeping.
        chooseCategory(QStringLiteral("Business"));
        m_form->ReloadContactList(true);
        QCOMPARE(categoryBox()->currentIndex(), 0);
        QCOMPARE(m_form->ListedContacts().size(), 7);
    }

    void deleteAsksAndReloadsOnlyWhenConfirmed()
    {
        trigger("actDeleteContact");
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().caption, QStringLiteral("Select contact."));
        QCOMPARE(m_boxes->last().text, QStringLiteral("Please select a contact to delete."));
        QCOMPARE(m_boxes->last().flags, 64);

        chooseCategory(QStringLiteral("Friends"));
        selectRow(QStringLiteral("Ann Lee"));
        m_boxes->clear();
        m_boxes->answer(MessageBoxResult::No);
        trigger("actDeleteContact");
        QCOMPARE(m_boxes->captions(), QStringList{QStringLiteral("Delete contact?")});
        QVERIFY(ActiveProfile->ContactExists(QStringLiteral("Ann Lee")));
        QCOMPARE(categoryBox()->currentText(), QStringLiteral("Friends"));
        QCOMPARE(selected(), QStringLiteral("Ann Lee"));

        m_boxes->answer(MessageBoxResult::Yes);
        trigger("actDeleteContact");
        QVERIFY(!ActiveProfile->ContactExists(QStringLiteral("Ann Lee")));
        QCOMPARE(categoryBox()->currentIndex(), 0);
        QVERIFY(!m_form->ListedContacts().contains(QStringLiteral("Ann Lee")));
        QVERIFY(!m_form->HasSelectedContact());
        // Bob's "friends" is now the first of its kind.
        QVERIFY(categoryEntries().contains(QStringLiteral("friends")));
    }

    void modifyNeedsASelectedRowFromMenuAndRightButton()
    {
        trigger("actModifyContact");
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().caption, QStringLiteral("Please select contact."));
        QCOMPARE(m_boxes->last().text, QStringLiteral("Please select a contact to modify first."));
        QCOMPARE(m_boxes->last().flags, 64);

        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, QPoint(40, 5));
        QCOMPARE(m_boxes->count(), 2);
        QCOMPARE(m_boxes->last().caption, QStringLiteral("Please select contact."));
    }

    void rightButtonEditsTheSelectedRowWithoutMovingTheSelection()
    {
        selectRow(QStringLiteral("Bob Smith"));
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QString editorShown;
        whenModal([&editorShown](QWidget *modal) {
            editorShown = modal->metaObject()->className();
            qobject_cast<QDialog *>(modal)->reject();
        });
        // Row 0 is under the pointer; Bob (row 1) stays the one edited.
        QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, QPoint(40, 5));
        QCOMPARE(editorShown, QStringLiteral("TAddModifyUser"));
        QCOMPARE(selected(), QStringLiteral("Bob Smith"));
        QCOMPARE(m_boxes->count(), 0);
    }

    void editorReloadsKeepingSelectionUnlessCancelled_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("saved") << true;
        QTest::newRow("cancelled") << false;
    }

    void editorReloadsKeepingSelectionUnlessCancelled()
    {
        QFETCH(bool, accepted);
        chooseCategory(QStringLiteral("Business"));
        selectRow(QStringLiteral("Fay Chen"));
        whenModal([this, accepted](QWidget *modal) {
            // What the editor would have saved: a second business contact.
            QList<Contact> book = mixedBook();
            book.append({QStringLiteral("Hal Okafor"), QStringLiteral("Business")});
            writeBook(book);
            qobject_cast<QDialog *>(modal)->done(accepted ? QDialog::Accepted : QDialog::Rejected);
        });
        trigger("actNewContact");
        const QStringList expected =
            accepted ? QStringList{QStringLiteral("Fay Chen"), QStringLiteral("Hal Okafor")}
                     : QStringList{QStringLiteral("Fay Chen")};
        QCOMPARE(m_form->ListedContacts(), expected);
        QCOMPARE(categoryBox()->currentText(), QStringLiteral("Business"));
        QCOMPARE(selected(), QStringLiteral("Fay Chen"));
    }

    void switchingViewsSavesAndChangesRowHeight()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QCOMPARE(list()->visualRect(list()->model()->index(0, 0)).height(), 20);
        selectRow(QStringLiteral("Bob Smith"));

        trigger("mnuDetails");
        QVERIFY(ActiveProfile->FullDisplay);
        QTRY_COMPARE(list()->visualRect(list()->model()->index(3, 0)).height(), 34);
        QVERIFY(!m_form->HasSelectedContact());
        QVERIFY(savedSettings().contains(QStringLiteral("Full Display=1")));

        trigger("mnuSimple");
        QVERIFY(!ActiveProfile->FullDisplay);
        QTRY_COMPARE(list()->visualRect(list()->model()->index(3, 0)).height(), 20);
        QVERIFY(savedSettings().contains(QStringLiteral("Full Display=0")));
    }

    // Each menu of the menu bar, its items in order: caption and key ("-" a separator, "> "
    // a sub-menu), as the window's command table and menu list give them.
    void menusHoldTheirItemsInOrder_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("Contact") << "Contact1"
                                 << QStringList{"&New contact|Ctrl+N",
                                                "&Modify contact|Ctrl+M",
                                                "&Delete contact|Del",
                                                "Find &Duplicates...|Ctrl+Shift+D",
                                                "-",
                                                "&Undo|Ctrl+Z",
                                                "Dele&ted Contacts...",
                                                "-",
                                                "&Change profile ...|F6",
                                                "&Hide in tray",
                                                "E&xit Calbrey|Ctrl+Q"};
        QTest::newRow("View") << "View1"
                              << QStringList{"&Simple view", "&Details view", "-", "&Search Bar"};
        QTest::newRow("Backup Tools") << "BackupTools1"
                                      << QStringList{"&Backup Profile|Ctrl+B",
                                                     "&Restore Profile|Ctrl+R",
                                                     "-",
                                                     "> &Import/Export",
                                                     "-",
                                                     "Server &Sync...",
                                                     "S&ync Now|F5"};
        QTest::newRow("Import/Export") << "ImportExport1"
                                       << QStringList{"Import &CSV File", "Import &vCard File",
                                                      "E&xport vCard File", "Export CSV &File"};
        QTest::newRow("Go") << "Go1"
                            << QStringList{"&Send mail now|F2",
                                           "&Go to Web Site|F3",
                                           "Send via &Other E-Mail Addresses|F4",
                                           "-",
                                           "S&earch now|F12",
                                           "-",
                                           "&Create Report|Ctrl+P",
                                           "-",
                                           "&Calbrey Options|F11"};
        QTest::newRow("Help") << "Help1"
                              << QStringList{"&Help topics|F1",
                                             "&Check internet for updates|Ctrl+U", "-",
                                             "&About Calbrey"};
    }
    void menusHoldTheirItemsInOrder()
    {
        QFETCH(QString, menu);
        QFETCH(QStringList, items);
        QStringList shown;
        for (const QAction *item : child<QMenu>(*m_form, qPrintable(menu))->actions()) {
            if (item->isSeparator()) {
                shown.append(QStringLiteral("-"));
                continue;
            }
            // A menu item standing for a command shows the command's key after a tab.
            QString caption = item->text().section(QLatin1Char('\t'), 0, 0);
            QString key = item->text().section(QLatin1Char('\t'), 1);
            if (key.isEmpty())
                key = item->shortcut().toString(QKeySequence::PortableText);
            if (item->menu())
                caption.prepend(QStringLiteral("> "));
            shown.append(key.isEmpty() ? caption : caption + QLatin1Char('|') + key);
        }
        QCOMPARE(shown, items);
    }

    void menuBarAndToolBarHoldTheirCommands()
    {
        QStringList buttons;
        for (const QToolButton *button :
             child<QToolBar>(*m_form, "tbMenu")
                 ->findChildren<QToolButton *>(QRegularExpression(QStringLiteral("^tb"))))
            buttons.append(button->text());
        QCOMPARE(buttons, (QStringList{"&Contact", "&View", "&Backup Tools", "&Go", "&Help"}));
        QStringList tools;
        for (const QAction *action : child<QToolBar>(*m_form, "ToolBar2")->actions())
            tools.append(action->isSeparator() ? QStringLiteral("-") : action->objectName());
        QCOMPARE(tools, (QStringList{"actNewContact", "actModifyContact", "actDeleteContact", "-",
                                     "muSearchBar", "actPrint"}));
    }

    // The file dialogs of the commands: title, filter and the extension a name without one
    // gets. A button names the control of the command's own dialog that opens the file dialog.
    void fileDialogsOfTheCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<QString>("defaultSuffix");
        const QStringList backups{"Quenlark Calbrey Backup File (*.qcbak)"};
        const QStringList notes{"Text Files (*.txt)", "All Files (*.*)"};
        QTest::newRow("backup") << "actBacupProfile"
                                << ""
                                << "Select a file name for your new backup." << backups << "qcbak";
        QTest::newRow("restore") << "actRestoreProfile"
                                 << ""
                                 << "Select a backup file to restore." << backups << "";
        QTest::newRow("CSV import")
            << "ImportCSVFile1"
            << ""
            << "Please choose a file to import"
            << QStringList{"Comma Seperated Values (CSV) files (*.csv)"} << "";
        QTest::newRow("vCard import") << "ImportvCardFile1"
                                      << ""
                                      << "Please choose a vCard file to import"
                                      << QStringList{"vCard files (*.vcf *.vcard)"} << "";
        QTest::newRow("notes loaded in the editor")
            << "actNewContact"
            << "ToolButton2"
            << "Load notes for this contact: " << notes << "";
        QTest::newRow("notes saved from the editor")
            << "actNewContact"
            << "ToolButton3"
            << "Choose a file name for your notes: " << notes << "TXT";
        // The program choosers list programs, not a filter of names (on Windows: *.EXE).
        QTest::newRow("e-mail client in the options")
            << "actOptions"
            << "sbOpen1"
            << "Please specify an e-mail client:" << QStringList() << "";
        QTest::newRow("web browser in the options")
            << "actOptions"
            << "sbOpen2"
            << "Please specify a web browser:" << QStringList() << "";
    }
    void fileDialogsOfTheCommands()
    {
        QFETCH(QString, command);
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(QStringList, filters);
        QFETCH(QString, defaultSuffix);
        m_form->show();
        QFileDialog *shown = nullptr;
        QString shownTitle;
        QStringList shownFilters;
        QString shownSuffix;
        whenModalOf("QFileDialog", [&](QWidget &modal) {
            auto &dialog = static_cast<QFileDialog &>(modal);
            shown = &dialog;
            shownTitle = dialog.windowTitle();
            shownFilters = dialog.nameFilters();
            shownSuffix = dialog.defaultSuffix();
            dialog.reject();
        });
        if (!button.isEmpty()) {
            // The command's dialog first; its button opens the file dialog over it.
            whenModalOf("QDialog", [&button](QWidget &dialog) {
                child<QAbstractButton>(dialog, qPrintable(button))->click();
                static_cast<QDialog &>(dialog).reject();
            });
        }
        trigger(qPrintable(command));
        QVERIFY(shown);
        QCOMPARE(shownTitle, title);
        if (!filters.isEmpty())
            QCOMPARE(shownFilters, filters);
        QCOMPARE(shownSuffix, defaultSuffix);
    }

    void menusSetThemselvesUpWhenOpened()
    {
        m_form = std::make_unique<TrayDesktopMainForm>();
        auto *contactMenu = child<QMenu>(*m_form, "Contact1");
        auto *viewMenu = child<QMenu>(*m_form, "View1");

        emit contactMenu->aboutToShow();
        QVERIFY(!action("mnHide")->isVisible());
        ActiveProfile->LoadOnStartup = true;
        m_form->ApplyProfileToWindow();
        emit contactMenu->aboutToShow();
        QVERIFY(action("mnHide")->isVisible());

        emit viewMenu->aboutToShow();
        QVERIFY(action("mnuSimple")->isChecked());
        QVERIFY(!action("mnuDetails")->isChecked());
        ActiveProfile->FullDisplay = true;
        emit viewMenu->aboutToShow();
        QVERIFY(action("mnuDetails")->isChecked());
        QVERIFY(!action("mnuSimple")->isChecked());
    }

    void noCommandRunsWhileTheListIsRefilled()
    {
        // A command that arrives other than by the user's input (a timer, the tray icon)
        // while a reload lets pending events through is ignored.
        int boxesDuringReload = -1;
        QTimer::singleShot(0, m_form.get(), [this, &boxesDuringReload] {
            action("actDeleteContact")->trigger();
            boxesDuringReload = m_boxes->count();
        });
        m_form->ReloadContactList(false);
        QCOMPARE(boxesDuringReload, 0);

        // Afterwards the command runs as usual.
        trigger("actDeleteContact");
        QCOMPARE(m_boxes->captions(), QStringList{QStringLiteral("Select contact.")});
    }

    // Hidden in the tray and closed for good both leave the window invisible; only a close
    // for good ends the program.
    void closeHidesToTheTrayOnlyWhenTheTrayIsOnAndNoExitWasAsked_data()
    {
        QTest::addColumn<bool>("trayOn");
        QTest::addColumn<bool>("desktopHasTray");
        QTest::addColumn<bool>("exitCommand");
        QTest::addColumn<bool>("ends");
        QTest::newRow("tray on: the close box hides") << true << true << false << false;
        QTest::newRow("tray on: the exit command ends") << true << true << true << true;
        QTest::newRow("tray off: the close box ends") << false << true << false << true;
        // The window could never come back.
        QTest::newRow("no notification area: the close box ends") << true << false << false << true;
    }
    void closeHidesToTheTrayOnlyWhenTheTrayIsOnAndNoExitWasAsked()
    {
        QFETCH(bool, trayOn);
        QFETCH(bool, desktopHasTray);
        QFETCH(bool, exitCommand);
        QFETCH(bool, ends);
        auto form = std::make_unique<TrayDesktopMainForm>();
        form->trayAvailable = desktopHasTray;
        m_form = std::move(form);
        m_form->show();
        ActiveProfile->LoadOnStartup = trayOn;
        m_form->ApplyProfileToWindow();
        QSignalSpy closed(m_form.get(), &TMainForm::Closed);

        if (exitCommand)
            trigger("actExit");
        else
            QCOMPARE(m_form->close(), ends);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(closed.count(), ends ? 1 : 0);
        QCOMPARE(TProgramEnd::Begun(), ends);
    }

    void withoutAnOpenProfileCommandsDoNothing()
    {
        // A failed profile switch leaves no active profile until the program is restarted.
        TProfile *open = ActiveProfile;
        ActiveProfile = nullptr;
        const auto restore = qScopeGuard([open] { ActiveProfile = open; });
        m_form->ApplyProfileToWindow();
        QVERIFY(m_form->ListedContacts().isEmpty());
        QCOMPARE(categoryBox()->count(), 0);
        for (const char *name : {"actNewContact", "actModifyContact", "actDeleteContact",
                                 "actFindDuplicates", "mnuSimple", "mnuDetails", "actSearchNow",
                                 "muSearchBar", "actSendMail", "actWebSite", "actOtherEmail"})
            trigger(name);
        emit child<QMenu>(*m_form, "Contact1")->aboutToShow();
        m_form->View1Click();
        m_form->cbCategoryChange();
        QCOMPARE(m_boxes->count(), 0);
    }

    void searchBarPlaceFollowsTheSetting()
    {
        auto *bar = m_form->findChild<QWidget *>("panelSearch");
        QVERIFY(bar);
        m_form->show();
        QVERIFY(!bar->isVisible());
        ActiveProfile->DisplaySearchBar = true;
        m_form->ApplyProfileToWindow();
        QVERIFY(bar->isVisible());
        QVERIFY(!m_form->findChild<QWidget *>("panelSearchResults")->isVisible());
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
