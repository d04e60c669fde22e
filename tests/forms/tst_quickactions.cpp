#include "forms/main/actionbar.h"
#include "mainwindowfixture.h"

#include <QLineEdit>
#include <QMenu>

namespace {
struct Addresses
{
    QString email;
    QString homePage;
    QString other; // stored form, "|" between addresses
};

const QString Ann = QStringLiteral("Ann");
} // namespace

Q_DECLARE_METATYPE(Addresses)

class TestQuickActions : public QObject
{
    Q_OBJECT

private:
    MainWindowFixture m;

    /// Ann with these addresses and Bob with none, then Ann chosen by the user.
    void chooseAnn(const Addresses &addresses)
    {
        m.profile->fill({{Ann,
                          {{QStringLiteral("pEmailAddress"), addresses.email},
                           {QStringLiteral("pHomePage"), addresses.homePage},
                           {QStringLiteral("pOtherEmail"), addresses.other}}},
                         {QStringLiteral("Bob")}});
        m.form->ReloadContactList(false);
        m.clickRow(Ann);
    }
    /// The visible panels from left to right, closed up against the bar's right edge.
    QString shownPanels() const
    {
        auto *bar = m.control<TActionBar>("abPanel");
        QString shown;
        int right = bar->width();
        for (QWidget *panel : {bar->pnlEmail(), bar->pnlWebSite(), bar->pnlOther()}) {
            if (!panel->isVisible())
                continue;
            if (panel->geometry().right() + 1 != right)
                return QStringLiteral("misplaced ") + panel->objectName();
            right = panel->x();
            shown.prepend(panel->objectName() + u' ');
        }
        return shown.trimmed();
    }
    /// The Go menu's first three items that it shows on opening.
    QString shownGoItems() const
    {
        emit m.control<QMenu>("Go1")->aboutToShow();
        QString shown;
        for (const char *name : {"mnOtherEmail", "mnWebSite", "mnSendMail"})
            if (m.control<QAction>(name)->isVisible())
                shown += QLatin1String(name) + u' ';
        return shown.trimmed();
    }

private slots:
    void initTestCase()
    {
        m.profile = std::make_unique<TestProfile>();
        QVERIFY(m.profile->activated());
    }
    void init() { m.open(); }
    void cleanup() { m.close(); }
    void cleanupTestCase() { m.profile.reset(); }

    void panelsMenuAndKeysFollowTheChosenContact_data()
    {
        QTest::addColumn<Addresses>("addresses");
        QTest::addColumn<QString>("panels");
        QTest::addColumn<QString>("items");
        QTest::addColumn<QStringList>("opened"); // by F2, F3 and F4 in turn
        const QString e = QStringLiteral("ann@example.org");
        const QString w = QStringLiteral("www.ann.example");
        const QString o = QStringLiteral("a@x.example");
        const QString mailE = QStringLiteral("mailto:") + e;
        const QString mailO = QStringLiteral("mailto:") + o;
        QTest::newRow("none") << Addresses{} << QString() << QString() << QStringList();
        QTest::newRow("mail") << Addresses{e, {}, {}} << "pnlEmail"
                              << "mnSendMail" << QStringList{mailE};
        QTest::newRow("web") << Addresses{{}, w, {}} << "pnlWebSite"
                             << "mnWebSite" << QStringList{w};
        // One other address is mailed at once, without a menu.
        QTest::newRow("other") << Addresses{{}, {}, o} << "pnlOther"
                               << "mnOtherEmail" << QStringList{mailO};
        QTest::newRow("mail, web") << Addresses{e, w, {}} << "pnlWebSite pnlEmail"
                                   << "mnWebSite mnSendMail" << QStringList{mailE, w};
        QTest::newRow("mail, other") << Addresses{e, {}, o} << "pnlOther pnlEmail"
                                     << "mnOtherEmail mnSendMail" << QStringList{mailE, mailO};
        QTest::newRow("web, other") << Addresses{{}, w, o} << "pnlOther pnlWebSite"
                                    << "mnOtherEmail mnWebSite" << QStringList{w, mailO};
        QTest::newRow("all three")
            << Addresses{e, w, o} << "pnlOther pnlWebSite pnlEmail"
            << "mnOtherEmail mnWebSite mnSendMail" << QStringList{mailE, w, mailO};
        // The stored text counts, not its form; its one line is empty.
        QTest::newRow("other is a separator")
            << Addresses{{}, {}, QStringLiteral("|")} << "pnlOther"
            << "mnOtherEmail" << QStringList{QStringLiteral("mailto:")};
    }
    void panelsMenuAndKeysFollowTheChosenContact()
    {
        QFETCH(Addresses, addresses);
        QFETCH(QString, panels);
        QFETCH(QString, items);
        QFETCH(QStringList, opened);
        chooseAnn(addresses);
        QCOMPARE(shownPanels(), panels);
        QCOMPARE(shownGoItems(), items);
        // The keys work whether or not the menu shows their items, and say nothing when the
        // contact lacks the address.
        for (Qt::Key key : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4})
            QTest::keyClick(m.form.get(), key);
        QCOMPARE(m.launcher->documents, opened);
        QCOMPARE(m.boxes->count(), 0);
        // A refilled list has no selected row: the bar still shows Ann's, the keys do nothing.
        m.launcher->clear();
        m.form->cbCategoryChange();
        QCOMPARE(shownPanels(), panels);
        for (Qt::Key key : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4})
            QTest::keyClick(m.form.get(), key);
        QVERIFY(m.launcher->documents.isEmpty());
    }

    void severalOtherAddressesOpenAMenuAtThePointer()
    {
        chooseAnn({{}, {}, QStringLiteral("a@x.example||b&c@x.example|")});
        QCursor::setPos(m.form->mapToGlobal(QPoint(100, 100)));
        trigger(*m.form, "actOtherEmail");
        auto *menu = m.control<QMenu>("popupOther");
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), QCursor::pos());
        QStringList captions;
        for (QAction *item : menu->actions())
            captions.append(item->text());
        QCOMPARE(captions, (QStringList{QStringLiteral("a@x.example"), QString(),
                                        QStringLiteral("b&&c@x.example")}));
        QVERIFY(m.launcher->documents.isEmpty());
        menu->actions().at(2)->trigger();
        menu->actions().at(1)->trigger();
        QCOMPARE(m.launcher->documents,
                 (QStringList{QStringLiteral("mailto:b&c@x.example"), QStringLiteral("mailto:")}));
        menu->close();
        // Filled anew each time.
        chooseAnn({{}, {}, QStringLiteral("c@x.example|d@x.example")});
        trigger(*m.form, "actOtherEmail");
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->actions().size(), 2);
        menu->close();
    }

    void picturesAndLinksRunTheCommands()
    {
        chooseAnn({QStringLiteral("ann@example.org"), QStringLiteral("www.ann.example"), {}});
        for (const char *control : {"abiSendMail", "QuenlarkURL1", "abiWebSite", "ablWebSite"})
            QTest::mouseClick(m.control(control), Qt::LeftButton);
        QCOMPARE(m.launcher->documents, (QStringList{QStringLiteral("mailto:ann@example.org"),
                                                     QStringLiteral("mailto:ann@example.org"),
                                                     QStringLiteral("www.ann.example"),
                                                     QStringLiteral("www.ann.example")}));
    }

    void panelsStayThroughASearchAndGoWithAFreshList()
    {
        chooseAnn({QStringLiteral("ann@example.org"), {}, {}});
        m.control<QLineEdit>("ebFindWhat")->setText(QStringLiteral("bob"));
        trigger(*m.form, "actSearchNow");
        QCOMPARE(shownPanels(), QStringLiteral("pnlEmail"));
        m.clickRow(QStringLiteral("Bob"));
        QCOMPARE(shownPanels(), QString());
        chooseAnn({QStringLiteral("ann@example.org"), {}, {}});
        m.form->ApplyProfileToWindow();
        QCOMPARE(shownPanels(), QString());
    }
};

QTEST_MAIN(TestQuickActions)
#include "tst_quickactions.moc"
