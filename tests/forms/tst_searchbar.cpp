#include "mainwindowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>

namespace {
const QString Friends = QStringLiteral("Friends");
const QStringList AllNames{QStringLiteral("Ann Lee"),    QStringLiteral("JoANNa Ray"),
                           QStringLiteral("Éva Kiss"),   QStringLiteral("éva Nagy"),
                           QStringLiteral("Bob  Smith"), QStringLiteral("Dan Annis")};
// Every other contact is a friend.
const QStringList FriendNames{AllNames[0], AllNames[2], AllNames[4]};
} // namespace

class TestSearchBar : public QObject
{
    Q_OBJECT

private:
    MainWindowFixture m;

    QComboBox *categoryBox() const { return m.control<QComboBox>("cbCategory"); }
    QLineEdit *findBox() const { return m.control<QLineEdit>("ebFindWhat"); }
    QStringList listed() const { return m.form->ListedContacts(); }
    void search(const QString &text, bool matchCase = false)
    {
        findBox()->setText(text);
        m.control<QCheckBox>("cbFindMatchCase")->setChecked(matchCase);
        trigger(*m.form, "actSearchNow");
    }
    void chooseFriends()
    {
        categoryBox()->setCurrentIndex(categoryBox()->findText(Friends));
        emit categoryBox()->activated(categoryBox()->currentIndex());
    }
    bool showingResults() const
    {
        return m.control("panelSearchResults")->isVisible() && !categoryBox()->isEnabled();
    }
    /// The book: AllNames, every other one a friend, then extra.
    void fillBook(const QStringList &extra = {})
    {
        QList<TestContact> book;
        for (qsizetype i = 0; i < AllNames.size(); ++i)
            book.append(
                {AllNames[i],
                 {{QStringLiteral("aContactCat"), i % 2 == 0 ? Friends : QStringLiteral("Work")}}});
        for (const QString &name : extra)
            book.append({name});
        m.profile->fill(book);
    }

private slots:
    void initTestCase()
    {
        m.profile = std::make_unique<TestProfile>();
        QVERIFY(m.profile->activated());
        fillBook();
    }
    void init()
    {
        ActiveProfile->DisplaySearchBar = true;
        ActiveProfile->SearchAnyField = false;
        m.open();
    }
    void cleanup() { m.close(); }
    void cleanupTestCase() { m.profile.reset(); }

    void resultsReplaceTheListUntilClosed()
    {
        m.clickRow(AllNames[3]);
        // A to Z fold both ways; accented letters do not (the rule in full is the logic's).
        search(QStringLiteral("ANN"));
        QCOMPARE(listed(), (QStringList{AllNames[0], AllNames[1], AllNames[5]}));
        QVERIFY(!m.form->HasSelectedContact());
        QVERIFY(showingResults());
        QCOMPARE(categoryBox()->count(), 1);
        QCOMPARE(categoryBox()->currentText(), QStringLiteral("Search results for ANN"));
        QVERIFY(m.control("cbEntire")->isVisible());
        m.control<QCheckBox>("cbEntire")->setChecked(true);
        search(QStringLiteral("É"));
        QCOMPARE(listed(), QStringList{AllNames[2]});
        QCOMPARE(m.boxes->count(), 0);

        // Closing them keeps the contact chosen among them.
        m.clickRow(AllNames[2]);
        QTest::mouseClick(m.control("btnCloseSearch"), Qt::LeftButton);
        QVERIFY(!showingResults());
        QVERIFY(!m.control("cbEntire")->isVisible());
        QCOMPARE(categoryBox()->currentIndex(), 0);
        QCOMPARE(listed(), AllNames);
        QCOMPARE(m.selected(), AllNames[2]);
    }

    void nothingFoundSaysSoAndBringsTheListBack_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("shown");
        QTest::newRow("A to Z lower-cased")
            << QStringLiteral("ÉVA NOBODY") << false << QStringLiteral("Éva nobody");
        QTest::newRow("match case: as typed")
            << QStringLiteral("ann") << true << QStringLiteral("ann");
    }
    void nothingFoundSaysSoAndBringsTheListBack()
    {
        QFETCH(QString, find);
        QFETCH(bool, matchCase);
        QFETCH(QString, shown);
        chooseFriends();
        m.clickRow(AllNames[4]);
        search(find, matchCase);
        QCOMPARE(m.boxes->count(), 1);
        QCOMPARE(m.boxes->last().caption, QStringLiteral("Nothing found."));
        QCOMPARE(m.boxes->last().text,
                 QStringLiteral("There were no contacts found for the search string \"") + shown +
                     QStringLiteral("\" in your address book."));
        QCOMPARE(m.boxes->last().flags, 64);
        QCOMPARE(categoryBox()->currentText(), Friends);
        QCOMPARE(listed(), FriendNames);
        QCOMPARE(m.selected(), AllNames[4]);
        QVERIFY(!showingResults());
    }

    void anEmptyFindBoxIsRefused()
    {
        categoryBox()->setFocus();
        search(QString());
        QCOMPARE(m.boxes->captions(), QStringList{QStringLiteral("No search string found.")});
        QCOMPARE(m.boxes->last().text,
                 QStringLiteral("Please type in something to search for before you being a "
                                "search."));
        QTRY_VERIFY(findBox()->hasFocus());
        QCOMPARE(listed(), AllNames);
    }

    void searchesTheListedRowsUnlessEntireDatabase()
    {
        auto *entire = m.control<QCheckBox>("cbEntire");
        QVERIFY(!entire->isVisible());
        chooseFriends();
        QVERIFY(entire->isVisible());
        search(QStringLiteral(" ")); // blanks are text like any other
        QCOMPARE(listed(), FriendNames);
        search(QStringLiteral("lee"));
        QCOMPARE(listed(), QStringList{AllNames[0]});
        entire->setChecked(true);
        search(QStringLiteral("va"));
        QCOMPARE(listed(), (QStringList{AllNames[2], AllNames[3]}));
        // Checked counts while hidden too: a contact another program added since the list was
        // filled shows that the book is read afresh.
        m.form->ReloadContactList(false);
        QVERIFY(!entire->isVisible());
        fillBook({QStringLiteral("Zed Annex")});
        search(QStringLiteral("ann"));
        fillBook();
        QCOMPARE(listed(),
                 (QStringList{AllNames[0], AllNames[1], AllNames[5], QStringLiteral("Zed Annex")}));
    }

    void theFindBoxTakesTheSpareWidth_data()
    {
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<bool>("entire");
        for (int width : {596, 420, 900})
            for (bool entire : {false, true})
                QTest::addRow("%d%s", width, entire ? " with Entire database" : "")
                    << width << entire;
    }
    void theFindBoxTakesTheSpareWidth()
    {
        QFETCH(int, windowWidth);
        QFETCH(bool, entire);
        if (entire)
            chooseFriends();
        m.form->resize(windowWidth, 480);
        QWidget *bar = m.control("panelSearch");
        QTRY_COMPARE(bar->width(), windowWidth - 20);
        QWidget *find = findBox();
        QWidget *matchCase = m.control("cbFindMatchCase");
        QWidget *exact = m.control("cbFindExactMatch");
        QWidget *all = m.control("cbEntire");
        QWidget *anyField = m.control("cbFindAnyField");
        // The design's places, or more where the desktop's font needs the room.
        QVERIFY(find->x() >= 56);
        QVERIFY(matchCase->width() >= 77 && exact->width() >= 81 && all->width() >= 101);
        QCOMPARE(find->width(), qMax(0, bar->width() - find->x() - matchCase->width() -
                                            (entire ? all->width() : 0) - exact->width() -
                                            anyField->width() - 20));
        QCOMPARE(m.control("btnGoSearch")->x(), bar->width() - 16);
        QCOMPARE(matchCase->x(), find->x() + find->width() + 5);
        QCOMPARE(exact->x(), matchCase->x() + matchCase->width());
        QCOMPARE(all->x(), exact->x() + exact->width());
        QCOMPARE(anyField->x(), entire ? all->x() + all->width() : all->x());
    }

    void theBarCommandShowsHidesAndSavesWhileF12AlwaysSearches()
    {
        QFile settings(ActiveProfile->GetProfileInfo(1));
        const auto saved = [&settings] {
            settings.open(QIODevice::ReadOnly);
            QByteArray text = settings.readAll();
            settings.close();
            return text;
        };
        const auto goMenuOffersSearch = [this] {
            emit m.control<QMenu>("Go1")->aboutToShow();
            return m.control<QAction>("mnSearchNow")->isVisible();
        };
        trigger(*m.form, "muSearchBar");
        QVERIFY(!m.control("panelSearch")->isVisible());
        QVERIFY(saved().contains("Display Search Bar=0"));
        QVERIFY(!goMenuOffersSearch());
        findBox()->setText(QStringLiteral("dan"));
        QTest::keyClick(m.form.get(), Qt::Key_F12);
        QCOMPARE(listed(), QStringList{AllNames[5]});

        trigger(*m.form, "muSearchBar");
        QVERIFY(m.control("panelSearch")->isVisible());
        QVERIFY(saved().contains("Display Search Bar=1"));
        QTRY_VERIFY(findBox()->hasFocus());
        QVERIFY(goMenuOffersSearch());
    }

    void enterInTheFindBoxSearchesEscapeDoesNothing()
    {
        findBox()->setFocus();
        QTest::keyClicks(findBox(), QStringLiteral("lee"));
        QTest::keyClick(findBox(), Qt::Key_Escape);
        QCOMPARE(findBox()->text(), QStringLiteral("lee"));
        QCOMPARE(listed(), AllNames);
        QTest::keyClick(findBox(), Qt::Key_Return);
        QCOMPARE(listed(), QStringList{AllNames[0]});
        // The release of an Enter that went down elsewhere (on the message box it closed) is
        // no search: it would bring the message back at once.
        findBox()->setText(QStringLiteral("nobody"));
        QTest::keyRelease(findBox(), Qt::Key_Enter);
        QCOMPARE(m.boxes->count(), 0);
    }

    // Any field: every word in any field, accents and case aside; the list follows the typing.
    void anyFieldFollowsTheTyping()
    {
        m.profile->fill(
            {{QStringLiteral("Müller, Chloé"), {{QStringLiteral("hCitg"), QStringLiteral("Oslo")}}},
             {QStringLiteral("Ann Lee"),
              {{QStringLiteral("hPhone"), QStringLiteral("(555) 123-4567")}}},
             {QStringLiteral("Bob Ray"), {{QStringLiteral("wCity"), QStringLiteral("Oslo")}}}});
        const auto restore = qScopeGuard([this] { fillBook(); });
        m.form->ReloadContactList(false);
        const QStringList all = listed();
        auto *anyField = m.control<QCheckBox>("cbFindAnyField");
        QTest::mouseClick(anyField, Qt::LeftButton);
        QVERIFY(anyField->isChecked());

        findBox()->setFocus();
        QTest::keyClicks(findBox(), QStringLiteral("chloe mull"));
        QTRY_COMPARE(listed(), QStringList{QStringLiteral("Müller, Chloé")});
        QVERIFY(showingResults());
        // Each pause narrows or widens from the list the typing began with.
        findBox()->clear();
        QTest::keyClicks(findBox(), QStringLiteral("OSLO"));
        QTRY_COMPARE(listed(),
                     (QStringList{QStringLiteral("Müller, Chloé"), QStringLiteral("Bob Ray")}));
        findBox()->clear();
        QTest::keyClicks(findBox(), QStringLiteral("555-123"));
        QTRY_COMPARE(listed(), QStringList{QStringLiteral("Ann Lee")});
        // Nothing found while typing is an empty list, not a message.
        QTest::keyClicks(findBox(), QStringLiteral(" nobody"));
        QTRY_VERIFY(listed().isEmpty());
        QCOMPARE(m.boxes->count(), 0);
        // An emptied find box brings the list back.
        findBox()->selectAll();
        QTest::keyClick(findBox(), Qt::Key_Backspace);
        QTRY_COMPARE(listed(), all);
        QVERIFY(!showingResults());
        QCOMPARE(m.boxes->count(), 0);
    }

    void enterSearchesAtOnceWithAnyField()
    {
        m.control<QCheckBox>("cbFindAnyField")->setChecked(true);
        findBox()->setFocus();
        QTest::keyClicks(findBox(), QStringLiteral("eva"));
        QTest::keyClick(findBox(), Qt::Key_Return);
        QCOMPARE(listed(), (QStringList{AllNames[2], AllNames[3]}));
        // And says so when nothing is found, as without the box.
        QTest::keyClicks(findBox(), QStringLiteral(" zzz"));
        QTest::keyClick(findBox(), Qt::Key_Return);
        QCOMPARE(m.boxes->captions(), QStringList{QStringLiteral("Nothing found.")});
        QCOMPARE(listed(), AllNames);
    }

    void withoutAnyFieldTheListWaitsForEnter()
    {
        QVERIFY(!m.control<QCheckBox>("cbFindAnyField")->isChecked());
        findBox()->setFocus();
        QTest::keyClicks(findBox(), QStringLiteral("eva"));
        QTest::qWait(400);
        QCOMPARE(listed(), AllNames);
        QVERIFY(!showingResults());
    }

    void anyFieldIsSavedInTheProfile()
    {
        auto *anyField = m.control<QCheckBox>("cbFindAnyField");
        QCOMPARE(m.control("cbEntire")->nextInFocusChain(), anyField);
        QTest::mouseClick(anyField, Qt::LeftButton);
        QVERIFY(ActiveProfile->SearchAnyField);
        QFile settings(ActiveProfile->GetProfileInfo(1));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().contains("Search any field=1"));
        settings.close();
        // A window made afresh on the profile shows it checked.
        m.close();
        ActiveProfile->LoadSettings();
        m.open();
        QVERIFY(m.control<QCheckBox>("cbFindAnyField")->isChecked());
        QTest::mouseClick(m.control<QCheckBox>("cbFindAnyField"), Qt::LeftButton);
        QVERIFY(!ActiveProfile->SearchAnyField);
    }
};

QTEST_MAIN(TestSearchBar)
#include "tst_searchbar.moc"
