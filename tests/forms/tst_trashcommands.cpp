// The main window's Undo and Deleted Contacts commands, and the Deleted Contacts window.
#include "mainwindowfixture.h"

#include "app/untactive.h"
#include "forms/dialogs/deletedcontactsmodel.h"
#include "forms/dialogs/frmdeletedcontacts.h"
#include "forms/main/trashcommands.h"
#include "import/contactimport.h"
#include "platform/messagebox.h"
#include "profiles/trash.h"
#include "profiles/trashbatch.h"
#include "profiles/undohistory.h"
#include "scriptedquestion.h"
#include "testfiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace {

const QString annLee = u"Ann Lee"_s;
const QString boLin = u"Bo Lin"_s;
const QString cyPark = u"Cy Park"_s;

QByteArray trashEntry(const QByteArray &id, const QByteArray &name, qint64 hoursAgo,
                      const QByteArray &reason)
{
    const QByteArray left =
        QDateTime::currentDateTimeUtc().addSecs(-hoursAgo * 3600).toString(Qt::ISODate).toLatin1();
    return "[" + id + "]\r\nxTrashName=" + name + "\r\nxTrashLeft=" + left +
           "\r\nxTrashReason=" + reason + "\r\naContactName=" + name + "\r\npMobile=" + id + "\r\n";
}

} // namespace

class TestTrashCommands : public QObject
{
    Q_OBJECT

private:
    MainWindowFixture m_window;

    QAction *undo() const { return m_window.control<QAction>("actUndo"); }
    QString trashPath() const { return ActiveProfile->Trash().Path(); }
    QStringList rows(const TDeletedContacts &window) const
    {
        QStringList shown;
        const TDeletedContactsModel &model = window.Model();
        for (int row = 0; row < model.rowCount(); ++row)
            shown.append(model.index(row, TDeletedContactsModel::NameColumn).data().toString() +
                         u" / "_s +
                         model.index(row, TDeletedContactsModel::WhyColumn).data().toString());
        return shown;
    }
    static void chooseRows(TDeletedContacts &window, const QList<int> &rows)
    {
        auto *table = child<QTableView>(window, "tvDeleted");
        table->clearSelection();
        for (const int row : rows)
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select |
                                                QItemSelectionModel::Rows);
    }
    static void click(const QWidget &window, const char *button)
    {
        auto *found = child<QPushButton>(window, button);
        QVERIFY2(found->isEnabled(), button);
        found->click();
    }
    // Opens the Deleted Contacts window from the menu and runs fn on it; fn closes it.
    void inDeletedContacts(const std::function<void(TDeletedContacts &)> &fn)
    {
        bool ran = false;
        whenModalOf("TDeletedContacts", [&](QWidget &window) {
            fn(static_cast<TDeletedContacts &>(window));
            ran = true;
            static_cast<QDialog &>(window).accept();
        });
        trigger(*m_window.form, "actDeletedContacts");
        QVERIFY(ran);
    }

private slots:
    void init()
    {
        m_window.profile = std::make_unique<TestProfile>();
        QVERIFY(m_window.profile->activated());
        m_window.profile->fill({{annLee, {{"aContactName", annLee}, {"pMobile", "1"}}},
                                {boLin, {{"aContactName", boLin}}}});
        m_window.open();
    }
    void cleanup()
    {
        UndoHistory().Forget(*ActiveProfile);
        m_window.close();
        m_window.profile.reset();
    }

    // Ctrl+Z names the last action that took contacts and brings back what it took.
    void undoNamesTheLastActionAndUndoesIt()
    {
        QVERIFY(!undo()->isEnabled());
        QCOMPARE(undo()->text(), u"&Undo"_s);

        m_window.clickRow(annLee);
        m_window.boxes->answer(MessageBoxResult::Yes);
        trigger(*m_window.form, "actDeleteContact");
        QVERIFY(!m_window.form->ListedContacts().contains(annLee));
        QVERIFY(undo()->isEnabled());
        QCOMPARE(undo()->text(), u"&Undo Delete of Ann Lee"_s);

        QTest::keyClick(m_window.form.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_window.form->ListedContacts().contains(annLee));
        QCOMPARE(ActiveProfile->ReadField(annLee, u"pMobile"_s), u"1"_s);
        QVERIFY(!undo()->isEnabled());
        QCOMPARE(undo()->text(), u"&Undo"_s);

        // An import is named by its count.
        ScriptedQuestion question;
        TContactImport contactImport(*ActiveProfile, question, nullptr);
        contactImport.Run(12, [](qsizetype i) {
            TImportedContact contact;
            contact.name = u"New "_s + QString::number(i);
            return contact;
        });
        QVERIFY(undo()->isEnabled());
        QCOMPARE(undo()->text(), u"&Undo Import of 12 contacts"_s);
    }

    // Each profile has its own last action; the command follows the active one.
    void undoFollowsTheActiveProfile()
    {
        m_window.clickRow(boLin);
        m_window.boxes->answer(MessageBoxResult::Yes);
        trigger(*m_window.form, "actDeleteContact");
        QVERIFY(undo()->isEnabled());

        QVERIFY(ChangeActiveProfile(u"other"_s));
        QVERIFY(!undo()->isEnabled());
        QCOMPARE(undo()->text(), u"&Undo"_s);
        QVERIFY(ChangeActiveProfile(u"tester"_s));
        QCOMPARE(undo()->text(), u"&Undo Delete of Bo Lin"_s);
        QVERIFY(undo()->isEnabled());
    }

    void undoTextShowsTheActionAsItIs_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QString() << u"&Undo"_s;
        QTest::newRow("an ampersand in a name")
            << u"Delete of Tom & Jerry"_s << u"&Undo Delete of Tom && Jerry"_s;
        QTest::newRow("a long name") << u"Delete of "_s + QString(60, u'x')
                                     << u"&Undo Delete of "_s + QString(37, u'x') + QChar(0x2026);
    }
    void undoTextShowsTheActionAsItIs()
    {
        QFETCH(QString, action);
        QFETCH(QString, text);
        QCOMPARE(TTrashCommands::UndoText(action), text);
    }

    // Its contacts deleted for good meanwhile, an action cannot be undone; the user is told.
    void undoOfWhatIsGoneSaysSo()
    {
        m_window.clickRow(boLin);
        m_window.boxes->answer(MessageBoxResult::Yes);
        trigger(*m_window.form, "actDeleteContact");
        ActiveProfile->Trash().Empty();
        m_window.boxes->clear();
        trigger(*m_window.form, "actUndo");
        QCOMPARE(m_window.boxes->captions(), QStringList{u"Nothing to undo"_s});
        QVERIFY(!undo()->isEnabled());
        QVERIFY(!ActiveProfile->ContactExists(boLin));
    }

    // The window lists the trash newest first and narrows it by the search box; Restore brings
    // the chosen entries back, Delete for Good and Empty Trash ask first.
    void deletedContactsWindowRestoresAndDeletesForGood()
    {
        ReplaceFileBytes(trashPath(),
                         trashEntry("Cy Park (1)", "Cy Park", 30, "deleted") +
                             trashEntry("Di Ross (2)", "Di Ross", 2, "merged") +
                             trashEntry("Ed Fox (3)", "Ed Fox", 5, "overwritten by import"));
        inDeletedContacts([this](TDeletedContacts &window) {
            QCOMPARE(rows(window),
                     (QStringList{u"Di Ross / Merged"_s, u"Ed Fox / Overwritten by an import"_s,
                                  u"Cy Park / Deleted"_s}));
            QVERIFY(!child<QPushButton>(window, "btnRestore")->isEnabled());
            QVERIFY(child<QLabel>(window, "lblStatus")->text().startsWith(u"3 contacts in"_s));

            child<QLineEdit>(window, "edSearch")->setText(u"IMPORT"_s);
            QCOMPARE(rows(window), QStringList{u"Ed Fox / Overwritten by an import"_s});
            child<QLineEdit>(window, "edSearch")->clear();

            chooseRows(window, {1, 2});
            click(window, "btnRestore");
            QCOMPARE(rows(window), QStringList{u"Di Ross / Merged"_s});
            QVERIFY(ActiveProfile->ContactExists(cyPark));
            QCOMPARE(ActiveProfile->ReadField(u"Ed Fox"_s, u"pMobile"_s), u"Ed Fox (3)"_s);
            QVERIFY(window.ContactsRestored());

            chooseRows(window, {0});
            m_window.boxes->answer(MessageBoxResult::No);
            click(window, "btnDeleteForGood");
            QCOMPARE(m_window.boxes->last().caption, u"Delete for good?"_s);
            QCOMPARE(m_window.boxes->last().text,
                     u"Delete \"Di Ross\" for good?  It cannot be brought back."_s);
            QCOMPARE(rows(window).size(), 1);
            m_window.boxes->answer(MessageBoxResult::Yes);
            click(window, "btnDeleteForGood");
            QVERIFY(rows(window).isEmpty());
            QVERIFY(!child<QPushButton>(window, "btnEmptyTrash")->isEnabled());
        });
        // The main window shows what came back.
        QVERIFY(m_window.form->ListedContacts().contains(cyPark));
        QVERIFY(ActiveProfile->Trash().Entries().isEmpty());
    }

    void emptyTrashAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("left");
        QTest::newRow("no") << int(MessageBoxResult::No) << 2;
        QTest::newRow("yes") << int(MessageBoxResult::Yes) << 0;
    }
    void emptyTrashAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(int, left);
        MoveContactsToTrash(*ActiveProfile, {annLee, boLin}, TTrashReason::Deleted);
        inDeletedContacts([&](TDeletedContacts &window) {
            m_window.boxes->answer(answer);
            click(window, "btnEmptyTrash");
            QCOMPARE(m_window.boxes->last().text,
                     u"Delete all 2 contacts in the trash for good?  They cannot be brought "
                     "back."_s);
            QCOMPARE(m_window.boxes->last().flags, int(MessageBoxFlag::Question));
            QCOMPARE(rows(window).size(), left);
        });
        QCOMPARE(ActiveProfile->Trash().Entries().size(), left);
    }

    // A name taken meanwhile goes through the existing-contact dialog.
    void restoreUnderATakenNameAsksWithTheExistingContactDialog()
    {
        MoveContactsToTrash(*ActiveProfile, {annLee}, TTrashReason::Deleted);
        ActiveProfile->WriteField(annLee, u"pMobile"_s, u"2"_s);
        inDeletedContacts([](TDeletedContacts &window) {
            QString asked;
            whenModalOf("TContactExists", [&asked](QWidget &question) {
                asked = child<QLabel>(question, "lbText")->text();
                child<QRadioButton>(question, "cbRename")->setChecked(true);
                child<QPushButton>(question, "Button1")->click();
            });
            chooseRows(window, {0});
            click(window, "btnRestore");
            QCOMPARE(asked, u"\"Ann Lee\""_s);
        });
        QCOMPARE(ActiveProfile->ReadField(u"Ann Lee1"_s, u"pMobile"_s), u"1"_s);
        QCOMPARE(ActiveProfile->ReadField(annLee, u"pMobile"_s), u"2"_s);
    }
};

QTEST_MAIN(TestTrashCommands)
#include "tst_trashcommands.moc"
