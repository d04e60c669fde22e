// An import's Overwrite keeps the earlier contact in the trash, for the CSV and the vCard
// import alike, and undoing the import brings the book back as it was.
#include "scriptedquestion.h"
#include "testfiles.h"
#include "testprofile.h"

#include "import/contactimport.h"
#include "import/csvcontacts.h"
#include "import/csvparser.h"
#include "platform/inifile.h"
#include "profiles/trash.h"
#include "profiles/undohistory.h"
#include "vcard/vcardfile.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString annLee = u"Ann Lee"_s;
const QByteArrayList annLines{"aContactName=Ann Lee", "pMobile = 1 ", "zOwnKey=kept",
                              "xVCardExtra=\"X-SHOE:42\""};

QByteArray bookOf(const QByteArrayList &ann)
{
    QByteArray text = "; Quenlark Calbrey Database Holder.\r\n[Bo Lin]\r\naContactName=Bo Lin\r\n"
                      "[Ann Lee]\r\n"_ba;
    for (const QByteArray &line : ann)
        text += line + "\r\n";
    return text;
}

// Ann twice (the second writes over the first one's import) and a new contact.
const QByteArray csv = "Name,Mobile Phone\r\nAnn Lee,999\r\nCy Park,123\r\nAnn Lee,777\r\n"_ba;
const QByteArray vcards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nTEL;TYPE=CELL:999\r\n"
                          "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cy Park\r\nEND:VCARD\r\n"
                          "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ann Lee\r\nTEL;TYPE=cell:777\r\n"
                          "END:VCARD\r\n"_ba;

} // namespace

class TestImportTrash : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;

    std::optional<QByteArrayList> bookLines(const QString &name) const
    {
        return IniFile(m_profile->databasePath()).sectionLines(name);
    }
    QStringList trash() const
    {
        QStringList entries;
        for (const TTrashEntry &entry : ActiveProfile->Trash().Entries())
            entries.append(entry.name + u" / "_s + entry.Why());
        return entries;
    }

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        ReplaceFileBytes(m_profile->databasePath(), bookOf(annLines));
    }
    void cleanup()
    {
        UndoHistory().Forget(*ActiveProfile);
        m_profile.reset();
    }

    void overwriteKeepsTheEarlierContact_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("CSV") << u"csv"_s;
        QTest::newRow("vCard") << u"vcard"_s;
    }
    void overwriteKeepsTheEarlierContact()
    {
        QFETCH(QString, kind);
        ScriptedQuestion question;
        question.script = {{TClashAction::Overwrite, true}};
        TContactImport contactImport(*ActiveProfile, question, nullptr);
        TImportResult result;
        if (kind == u"csv") {
            const TCsvTable table = TCsvParser::Parse(csv);
            const TCsvContacts contacts(table, LoadFieldAlignmentTable());
            result = contactImport.Run(contacts.Count(),
                                       [&](qsizetype i) { return contacts.Contact(i); });
        } else {
            const TVCardContacts cards = ReadVCardContacts(vcards);
            result = contactImport.Run(cards.contacts.size(),
                                       [&](qsizetype i) { return cards.contacts.at(i); });
        }
        QCOMPARE(result.added, 3);
        QCOMPARE(ActiveProfile->ReadField(annLee, u"pMobile"_s), u"777"_s);

        // The contact as it was before the import, once, however often the import wrote it.
        const QList<TTrashEntry> entries = ActiveProfile->Trash().Entries();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().name, annLee);
        QCOMPARE(entries.first().Reason(), TTrashReason::OverwrittenByImport);
        QCOMPARE(ActiveProfile->Trash().ContactLines(entries.first().id), annLines);

        const std::optional<TUndoRecord> record = UndoHistory().Last(*ActiveProfile);
        QVERIFY(record);
        QCOMPARE(record->action, u"Import of 3 contacts"_s);
        const std::optional<QByteArrayList> imported = bookLines(annLee);

        // Undone: Ann as she was, Cy gone; what the import wrote is in the trash.
        QCOMPARE(UndoHistory().Undo(*ActiveProfile, question), QStringList{annLee});
        QCOMPARE(bookLines(annLee), annLines);
        QVERIFY(!ActiveProfile->ContactExists(u"Cy Park"_s));
        QCOMPARE(trash(),
                 (QStringList{u"Cy Park / Import undone"_s, u"Ann Lee / Import undone"_s}));
        QCOMPARE(ActiveProfile->Trash().ContactLines(ActiveProfile->Trash().Entries().last().id),
                 imported);
        QVERIFY(!UndoHistory().Last(*ActiveProfile));
    }

    // A cancelled import writes neither file and leaves nothing to undo.
    void cancelledImportLeavesTheTrashAlone()
    {
        struct Cancel : TImportProgress
        {
            // Cancelled at the end, after the contact was taken in hand.
            bool Advance(qsizetype done, qsizetype total) override { return done < total; }
        } cancel;
        ScriptedQuestion question;
        question.script = {{TClashAction::Overwrite, true}};
        TContactImport contactImport(*ActiveProfile, question, &cancel);
        TImportedContact ann;
        ann.name = annLee;
        ann.fields = {{u"pMobile"_s, u"2"_s}};
        QVERIFY(contactImport.Run(1, [&](qsizetype) { return ann; }).cancelled);
        QVERIFY(!QFile::exists(ActiveProfile->Trash().Path()));
        QCOMPARE(ReadFileBytes(m_profile->databasePath()), bookOf(annLines));
        QVERIFY(!UndoHistory().Last(*ActiveProfile));
    }
};

QTEST_GUILESS_MAIN(TestImportTrash)
#include "tst_importtrash.moc"
