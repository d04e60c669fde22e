#include "fulldisk.h"
#include "platform/calbreyerror.h"
#include "profiles/contactmerge.h"
#include "profiles/untprofiles.h"
#include "testprofile.h"

#include <QDir>
#include <QtTest>

namespace {
QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QList<TestContact> book = {
    {u8("Ann Lee"),
     {{u8("aContactName"), u8("Ann Lee")},
      {u8("pEmailAddress"), u8("ann@example.org")},
      {u8("pMobile"), u8("+1 555 123 4567")},
      {u8("hCitg"), u8("Oslo")},
      {u8("aNotes"), u8("Met in Oslo|At the fair")},
      {u8("pOtherEmail"), u8("ann@home.example")},
      {u8("xVCardExtra"), u8("BDAY:1990-01-01")}}},
    {u8("Lee, Ann"),
     {{u8("aContactName"), u8("Lee, Ann")},
      {u8("pEmailAddress"), u8("ANN@example.org")},
      {u8("pMobile"), u8("(555) 123-4567")},
      {u8("wCompany"), u8("Globex")},
      {u8("aNotes"), u8("Likes tea")},
      {u8("pOtherEmail"), u8("Ann@Home.example|lee@work.example")},
      {u8("xVCardExtra"), u8("BDAY:1990-01-01|X-SKYPE:annlee")}}},
    {u8("Bob Ray"), {{u8("aContactName"), u8("Bob Ray")}, {u8("hCitg"), u8("Lyon")}}},
};
} // namespace

class TestContactMerge : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_profile->fill(book);
    }
    void cleanup() { m_profile.reset(); }

    // Field by field: what agrees, what is chosen, what is united or joined.
    void mergesFieldByField_data()
    {
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("merged");
        QTest::addColumn<int>("rule");
        const auto row = [](const char *name, int kept, const char *key, const char *merged,
                            TMergeRule rule) {
            QTest::newRow(name) << kept << u8(key) << u8(merged) << int(rule);
        };
        row("name of the contact kept", 1, "aContactName", "Lee, Ann", TMergeRule::Name);
        row("differing: the kept one's", 0, "pMobile", "+1 555 123 4567", TMergeRule::Choice);
        row("differing: the other kept", 1, "pMobile", "(555) 123-4567", TMergeRule::Choice);
        row("one has it", 0, "wCompany", "Globex", TMergeRule::Agreed);
        row("the other has it", 1, "hCitg", "Oslo", TMergeRule::Agreed);
        row("notes joined", 0, "aNotes", "Met in Oslo|At the fair|Likes tea", TMergeRule::Notes);
        row("notes, kept first", 1, "aNotes", "Likes tea|Met in Oslo|At the fair",
            TMergeRule::Notes);
        row("other e-mails united without repeats", 0, "pOtherEmail",
            "ann@home.example|lee@work.example", TMergeRule::OtherEmails);
        row("extras united", 0, "xVCardExtra", "BDAY:1990-01-01|X-SKYPE:annlee",
            TMergeRule::Extras);
        row("nobody has it", 0, "wFax", "", TMergeRule::Agreed);
    }

    void mergesFieldByField()
    {
        QFETCH(int, kept);
        QFETCH(QString, key);
        QFETCH(QString, merged);
        QFETCH(int, rule);
        TContactMerge merge(*ActiveProfile, {u8("Ann Lee"), u8("Lee, Ann")});
        merge.SetKept(kept);
        QCOMPARE(merge.MergedValue(key), merged);
        const auto field = std::find_if(merge.Fields().begin(), merge.Fields().end(),
                                        [&key](const TMergeField &f) { return f.key == key; });
        QVERIFY(field != merge.Fields().end());
        QCOMPARE(int(field->rule), rule);
    }

    void anAddressNotPickedMovesToTheOthers()
    {
        const QStringList values(TContactMerge::Keys().size(), QString());
        QStringList a = values, b = values;
        const qsizetype email = TContactMerge::Keys().indexOf(u8("pEmailAddress"));
        a[email] = u8("one@x.org");
        b[email] = u8("two@x.org");
        TContactMerge picked({u8("A"), u8("B")}, {a, b});
        picked.Choose(u8("pEmailAddress"), 1);
        QCOMPARE(picked.MergedValue(u8("pEmailAddress")), u8("two@x.org"));
        QCOMPARE(picked.MergedValue(u8("pOtherEmail")), u8("one@x.org"));
    }

    void writesTheMergeInOneReplacement()
    {
        TContactMerge merge(*ActiveProfile, {u8("Ann Lee"), u8("Lee, Ann")});
        merge.Choose(u8("pMobile"), 1);
        WriteMerge(*ActiveProfile, merge);
        QStringList names;
        ActiveProfile->GetContactNames(names);
        QCOMPARE(names, (QStringList{u8("Ann Lee"), u8("Bob Ray")}));
        QCOMPARE(ActiveProfile->ReadField(u8("Ann Lee"), u8("pMobile")), u8("(555) 123-4567"));
        QCOMPARE(ActiveProfile->ReadField(u8("Ann Lee"), u8("wCompany")), u8("Globex"));
        QCOMPARE(ActiveProfile->ReadNotes(u8("Ann Lee")),
                 u8("Met in Oslo\r\nAt the fair\r\nLikes tea"));
        QCOMPARE(ActiveProfile->ReadField(u8("Ann Lee"), u8("xVCardExtra")),
                 u8("BDAY:1990-01-01|X-SKYPE:annlee"));
        // The contact not merged is untouched, byte for byte.
        QVERIFY(fileBytes(m_profile->databasePath())
                    .contains("[Bob Ray]\r\naContactName=Bob Ray\r\nhCitg=Lyon\r\n"));
    }

    void failedWriteKeepsTheBook_data()
    {
        QTest::addColumn<int>("failure");
        QTest::newRow("full disk") << 0;
        QTest::newRow("folder where the file is") << 1;
    }

    void failedWriteKeepsTheBook()
    {
        QFETCH(int, failure);
        const QString path = m_profile->databasePath();
        const QByteArray before = fileBytes(path);
        TContactMerge merge(*ActiveProfile, {u8("Ann Lee"), u8("Lee, Ann")});
        const auto expectFailure = [&] {
            try {
                WriteMerge(*ActiveProfile, merge);
                QFAIL("the merge was written");
            } catch (const CalbreyError &error) {
                QVERIFY(error.message().startsWith(u8("Unable to write to ")));
            }
        };
        if (failure == 0) {
            const FileSizeLimit full(before.size() / 2);
            expectFailure();
        } else {
            // The profile's folder made unwritable by a folder in the temporary file's way is
            // not portable; a book.db that is a folder is.
            QVERIFY(QFile::rename(path, path + u8(".kept")));
            QVERIFY(QDir().mkdir(path));
            expectFailure();
            QVERIFY(QDir().rmdir(path));
            QVERIFY(QFile::rename(path + u8(".kept"), path));
        }
        QCOMPARE(fileBytes(path), before);
    }

private:
    std::unique_ptr<TestProfile> m_profile;
};

QTEST_GUILESS_MAIN(TestContactMerge)
#include "tst_contactmerge.moc"
