// The main window's Find Duplicates command, its window and the merge dialog.
#include "forms/dialogs/frmoptions.h"
#include "forms/duplicates/frmduplicates.h"
#include "forms/duplicates/frmmergecontacts.h"
#include "fulldisk.h"
#include "mainwindowfixture.h"
#include "profiles/notduplicates.h"
#include "profiles/trash.h"
#include "profiles/undohistory.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {
QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

const QList<TestContact> book = {
    {u8("Ann Lee"),
     {{u8("aContactName"), u8("Ann Lee")},
      {u8("pEmailAddress"), u8("ann@example.org")},
      {u8("pMobile"), u8("+1 555 123 4567")},
      {u8("aNotes"), u8("Met in Oslo")}}},
    {u8("Bob Ray"), {{u8("aContactName"), u8("Bob Ray")}, {u8("hPhone"), u8("+47 22 33 44 55")}}},
    {u8("Lee, Ann"),
     {{u8("aContactName"), u8("Lee, Ann")},
      {u8("pEmailAddress"), u8("ANN@example.org")},
      {u8("pMobile"), u8("(555) 123-9999")},
      {u8("wCompany"), u8("Globex")},
      {u8("aNotes"), u8("Likes tea")}}},
    {u8("Robert Ray"),
     {{u8("aContactName"), u8("Robert Ray")}, {u8("hPhone"), u8("0047 22334455")}}},
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestDuplicates : public QObject
{
    Q_OBJECT

private:
    MainWindowFixture m;

    /// Runs the command; check runs on its window, which it must close.
    void withDuplicatesWindow(const std::function<void(TFindDuplicates &)> &check)
    {
        bool ran = false;
        whenModalOf("TFindDuplicates", [&](QWidget &window) {
            ran = true;
            check(static_cast<TFindDuplicates &>(window));
            if (window.isVisible())
                child<QPushButton>(window, "btnClose")->click();
        });
        trigger(*m.form, "actFindDuplicates");
        QVERIFY(ran);
    }
    static QStringList groupRows(const TFindDuplicates &window)
    {
        QStringList rows;
        const auto *list = child<QTreeWidget>(window, "lvGroups");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList names;
            for (int c = 0; c < list->topLevelItem(i)->childCount(); ++c)
                names.append(list->topLevelItem(i)->child(c)->text(0));
            rows.append(names.join(u8(" + ")) + u8(": ") + list->topLevelItem(i)->text(1));
        }
        return rows;
    }

private slots:
    void init()
    {
        m.profile = std::make_unique<TestProfile>();
        QVERIFY(m.profile->activated());
        ActiveProfile->PhoneRegion = u8("US");
        m.profile->fill(book);
        m.open();
    }
    void cleanup()
    {
        UndoHistory().Forget(*ActiveProfile);
        m.close();
        m.profile.reset();
    }

    void listsGroupsStrongestFirstWithTheirReasons()
    {
        withDuplicatesWindow([](TFindDuplicates &window) {
            QCOMPARE(groupRows(window),
                     (QStringList{u8("Ann Lee + Lee, Ann: same e-mail ann@example.org; same name"),
                                  u8("Bob Ray + Robert Ray: same phone +4722334455")}));
            QVERIFY(child<QLabel>(window, "lblSummary")->text().endsWith(u8(": 2")));
        });
    }

    void notDuplicatesAreNeverShownAgain()
    {
        withDuplicatesWindow([](TFindDuplicates &window) {
            window.SelectGroup(1);
            child<QPushButton>(window, "btnNotDuplicates")->click();
            QCOMPARE(groupRows(window).size(), 1);
        });
        withDuplicatesWindow([](TFindDuplicates &window) {
            QCOMPARE(groupRows(window),
                     QStringList{u8("Ann Lee + Lee, Ann: same e-mail ann@example.org; same name")});
        });
        QVERIFY(TNotDuplicates(*ActiveProfile)
                    .Pairs()
                    .contains(TNotDuplicates::PairKey(u8("Bob Ray"), u8("Robert Ray"))));
    }

    // The user keeps the second contact's name, picks the first one's mobile and merges; the
    // window's list follows.
    void mergeKeepsTheChosenNameAndValues()
    {
        withDuplicatesWindow([](TFindDuplicates &window) {
            whenModalOf("TMergeContacts", [](QWidget &dialog) {
                child<QRadioButton>(dialog, "rbKeep1")->click();
                child<QRadioButton>(dialog, "rb_pMobile_0")->click();
                QCOMPARE(child<QLabel>(dialog, "lblMerged_pMobile")->text(), u8("+1 555 123 4567"));
                QCOMPARE(child<QLabel>(dialog, "lblMerged_aNotes")->text(),
                         u8("Likes tea\nMet in Oslo"));
                child<QPushButton>(dialog, "btnMerge")->click();
            });
            window.SelectGroup(0);
            child<QPushButton>(window, "btnMerge")->click();
            QCOMPARE(groupRows(window).size(), 1);
        });
        QCOMPARE(m.form->ListedContacts(),
                 (QStringList{u8("Bob Ray"), u8("Lee, Ann"), u8("Robert Ray")}));
        QCOMPARE(ActiveProfile->ReadField(u8("Lee, Ann"), u8("pMobile")), u8("+1 555 123 4567"));
        QCOMPARE(ActiveProfile->ReadField(u8("Lee, Ann"), u8("wCompany")), u8("Globex"));
        QCOMPARE(ActiveProfile->ReadField(u8("Lee, Ann"), u8("pEmailAddress")),
                 u8("ANN@example.org"));

        // The window's Undo names the merge and brings both contacts back as they were.
        QCOMPARE(m.control<QAction>("actUndo")->text(), u8("&Undo Merge into Lee, Ann"));
        trigger(*m.form, "actUndo");
        QStringList listed = m.form->ListedContacts();
        listed.sort(); // the contacts brought back come last in the book
        QCOMPARE(listed,
                 (QStringList{u8("Ann Lee"), u8("Bob Ray"), u8("Lee, Ann"), u8("Robert Ray")}));
        QCOMPARE(ActiveProfile->ReadField(u8("Lee, Ann"), u8("pMobile")), u8("(555) 123-9999"));
        QCOMPARE(ActiveProfile->ReadField(u8("Ann Lee"), u8("aNotes")), u8("Met in Oslo"));
    }

    void aFailedMergeIsShownAndChangesNothing()
    {
        SKIP_WITHOUT_FULL_DISK();
        const QByteArray before = fileBytes(m.profile->databasePath());
        withDuplicatesWindow([&](TFindDuplicates &window) {
            whenModalOf("TMergeContacts", [&](QWidget &dialog) {
                {
                    const FileSizeLimit full(before.size() / 2);
                    child<QPushButton>(dialog, "btnMerge")->click();
                }
                QVERIFY(dialog.isVisible()); // the user may try again or cancel
                child<QPushButton>(dialog, "btnCancel")->click();
            });
            window.SelectGroup(0);
            child<QPushButton>(window, "btnMerge")->click();
            QCOMPARE(groupRows(window).size(), 2);
        });
        QCOMPARE(m.boxes->count(), 1);
        // The trash is written first: it is where the disk is found full.
        const QString trashPath = ActiveProfile->Trash().Path();
        QCOMPARE(m.boxes->last().text, u8("Unable to write to ") + trashPath + QLatin1Char('.'));
        QCOMPARE(fileBytes(m.profile->databasePath()), before);
        QVERIFY(ActiveProfile->Trash().Entries().isEmpty());
    }

    // The region numbers without a country code are read in: chosen in the options, kept in
    // config.ini, and what the finder reads such numbers with. Read in the United States,
    // "912 34 567" is no number and compares by its last seven digits; read in Norway it is
    // +47 91234567, another number than the American one.
    void phoneRegionComesFromTheOptions()
    {
        m.profile->fill({{u8("Kari Nordmann"), {{u8("pMobile"), u8("+1 639 123 4567")}}},
                         {u8("K. Nordmann"), {{u8("hPhone"), u8("912 34 567")}}}});
        withDuplicatesWindow(
            [](TFindDuplicates &window) { QCOMPARE(groupRows(window).size(), 1); });
        {
            TOptions options(m.form.get(), true);
            auto *region = child<QComboBox>(options, "cbPhoneRegion");
            QCOMPARE(region->currentData().toString(), u8("US"));
            region->setCurrentIndex(region->findData(u8("NO")));
            options.Button1Click();
        }
        QCOMPARE(ActiveProfile->PhoneRegion, u8("NO"));
        QVERIFY(fileBytes(m.profile->settingsPath()).contains("Phone region=NO\r\n"));
        withDuplicatesWindow(
            [](TFindDuplicates &window) { QCOMPARE(groupRows(window), QStringList{}); });
        TOptions again(m.form.get(), true);
        QCOMPARE(child<QComboBox>(again, "cbPhoneRegion")->currentIndex(),
                 child<QComboBox>(again, "cbPhoneRegion")->findData(u8("NO")));
    }
};

QTEST_MAIN(TestDuplicates)
#include "tst_duplicates.moc"
