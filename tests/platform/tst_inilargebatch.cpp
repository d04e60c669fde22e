// A batch that adds more new sections than it keeps in memory (an import): the file it writes,
// its reads while it lasts, and what a failure, a discard or another program's change leave.
#include "failuretext.h"
#include "fulldisk.h"
#include "platform/inidocument.h"
#include "platform/inifile.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Enough contacts' worth of sections for most of them to leave memory.
constexpr int kSections = 600;

QString nameOf(int i)
{
    return u"Contact "_s + QString::number(i);
}

QList<std::pair<QString, QString>> fieldsOf(int i, const QString &round = u"a"_s)
{
    return {{u"aContactName"_s, nameOf(i)},
            {u"aEmail1"_s, u"person"_s + QString::number(i) + u"@example.org"_s},
            {u"aCity"_s, u"Zürich "_s + round},
            {u"aNotes"_s, QString(120, u'n')},
            {u"aPhone1"_s, u"+41 44 "_s + QString::number(1000000 + i)}};
}

// What is done besides the plain writes, half-way through them.
enum class Twist
{
    None,
    RewriteEarlierSection, // a name written before in the same batch, written again
    KeyIntoEarlierSection,
    NewSectionKeyByKey,
    AppendLines,
    DeleteEarlierSection,
    ListSections, // a read of the whole file
};

// The same edits on the file (in a batch) and on a document, which keeps everything in
// memory; the document's text is what the file must hold.
void applyTwist(Twist twist, IniFile *file, IniDocument &document)
{
    const QString early = nameOf(3);
    switch (twist) {
    case Twist::None:
        break;
    case Twist::RewriteEarlierSection: {
        const auto fields = fieldsOf(3, u"again"_s);
        if (file)
            file->writeSection(early, fields);
        document.writeSection(*IniDocument::prepareSection(early, fields));
        break;
    }
    case Twist::KeyIntoEarlierSection:
        if (file)
            file->writeString(early, u"aState", u"ZH");
        document.writeString(early, u"aState", u"ZH");
        break;
    case Twist::NewSectionKeyByKey:
        if (file)
            file->writeString(u"Loose", u"k", u"v");
        document.writeString(u"Loose", u"k", u"v");
        break;
    case Twist::AppendLines:
        if (file)
            file->appendSectionLines(u"Lines", {"a=1", "no equals"});
        document.appendSectionLines(u"Lines", {"a=1", "no equals"});
        break;
    case Twist::DeleteEarlierSection:
        if (file)
            file->deleteSection(early);
        document.deleteSection(early);
        break;
    case Twist::ListSections:
        if (file)
            QVERIFY(file->sectionNames().contains(nameOf(3)));
        break;
    }
}

} // namespace

class TestIniLargeBatch : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void writesWhatMemoryWould_data();
    void writesWhatMemoryWould();
    void readsSectionsWrittenInIt();
    void keepsOtherProgramsChange();
    void discardLeavesFileAndNoTemporary();
    void failureLeavesFileAndNoTemporary_data();
    void failureLeavesFileAndNoTemporary();

private:
    // Writes the sections in a batch; twist half-way.
    void writeAll(IniFile &file, Twist twist = Twist::None);
    QByteArray expected(const QByteArray &start, Twist twist = Twist::None);
    QStringList filesInFolder() const { return QDir(m_dir->path()).entryList(QDir::Files); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestIniLargeBatch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(u"book.db"_s);
}

void TestIniLargeBatch::writeAll(IniFile &file, Twist twist)
{
    IniFile::Batch batch(file);
    IniDocument unused;
    for (int i = 0; i < kSections; ++i) {
        file.writeSection(nameOf(i), fieldsOf(i));
        if (i == kSections / 2)
            applyTwist(twist, &file, unused);
    }
    batch.commit();
}

QByteArray TestIniLargeBatch::expected(const QByteArray &start, Twist twist)
{
    IniDocument document(start);
    for (int i = 0; i < kSections; ++i) {
        document.writeSection(*IniDocument::prepareSection(nameOf(i), fieldsOf(i)));
        if (i == kSections / 2)
            applyTwist(twist, nullptr, document);
    }
    return document.serialize();
}

void TestIniLargeBatch::writesWhatMemoryWould_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<Twist>("twist");
    const QByteArray existing = "; kept\r\n[Contact 7]\r\naCity=old\r\n[Other]\r\nx=1\r\n"_ba;
    QTest::newRow("new file") << QByteArray() << Twist::None;
    QTest::newRow("last line unended") << "[Other]\r\nx=1"_ba << Twist::None;
    QTest::newRow("some names there already") << existing << Twist::None;
    QTest::newRow("a section written twice") << existing << Twist::RewriteEarlierSection;
    QTest::newRow("a key into a section written") << existing << Twist::KeyIntoEarlierSection;
    QTest::newRow("a section made key by key") << existing << Twist::NewSectionKeyByKey;
    QTest::newRow("lines appended") << existing << Twist::AppendLines;
    QTest::newRow("a section written, deleted") << existing << Twist::DeleteEarlierSection;
    QTest::newRow("the sections listed") << existing << Twist::ListSections;
}

void TestIniLargeBatch::writesWhatMemoryWould()
{
    QFETCH(QByteArray, start);
    QFETCH(Twist, twist);
    if (!start.isEmpty())
        ReplaceFileBytes(m_path, start);
    IniFile file(m_path);
    writeAll(file, twist);
    QCOMPARE(ReadFileBytes(m_path), expected(start, twist));
    QCOMPARE(filesInFolder(), QStringList({u"book.db"_s, u"book.db.lock"_s}));
    // And the file reads back after it.
    QCOMPARE(file.value(nameOf(kSections - 1), u"aCity"), u"Zürich a"_s);
}

void TestIniLargeBatch::readsSectionsWrittenInIt()
{
    IniFile file(m_path);
    IniFile::Batch batch(file);
    for (int i = 0; i < kSections; ++i)
        file.writeSection(nameOf(i), fieldsOf(i));
    const QString last = u" contact "_s + QString::number(kSections - 1) + u" "_s;
    QVERIFY(file.sectionHasKeys(last));
    QCOMPARE(file.value(last, u"ACITY"), u"Zürich a"_s);
    QCOMPARE(file.values(last, {u"aCity"_s, u"missing"_s}),
             (std::vector<std::optional<QString>>{u"Zürich a"_s, std::nullopt}));
    QCOMPARE(file.keyNames(last).size(), 5);
    QCOMPARE(file.sectionLines(last)->value(1), "aEmail1=person599@example.org"_ba);
    QCOMPARE(file.sectionsWithValue(u"aCity").size(), std::size_t(kSections));
    QVERIFY(!QFile::exists(m_path)); // nothing is written before the commit
    batch.commit();
}

void TestIniLargeBatch::keepsOtherProgramsChange()
{
    ReplaceFileBytes(m_path, "[Other]\r\nx=1\r\n"_ba);
    IniFile file(m_path);
    QCOMPARE(file.value(u"Other", u"x"), u"1"_s);
    const QByteArray changed = "[Other]\r\nx=2\r\n[Contact 590]\r\naCity=theirs\r\n"_ba;
    {
        const IniFile::ReadScope reads(file);
        IniFile::Batch batch(file);
        for (int i = 0; i < kSections; ++i) {
            file.writeSection(nameOf(i), fieldsOf(i));
            if (i == kSections / 2)
                ReplaceFileBytes(m_path, changed); // a size of its own: seen at the commit
        }
        batch.commit();
    }
    QCOMPARE(ReadFileBytes(m_path), expected(changed));
}

void TestIniLargeBatch::discardLeavesFileAndNoTemporary()
{
    const QByteArray start = "[Other]\r\nx=1\r\n"_ba;
    ReplaceFileBytes(m_path, start);
    IniFile file(m_path);
    {
        IniFile::Batch batch(file); // an import cancelled
        for (int i = 0; i < kSections; ++i)
            file.writeSection(nameOf(i), fieldsOf(i));
    }
    QCOMPARE(ReadFileBytes(m_path), start);
    QCOMPARE(filesInFolder(), QStringList({u"book.db"_s}));
    QVERIFY(!file.sectionHasKeys(nameOf(kSections - 1)));
    QCOMPARE(file.sectionNames(), QStringList({u"Other"_s}));
}

void TestIniLargeBatch::failureLeavesFileAndNoTemporary_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<qint64>("sizeLimit"); // 0: none
    QTest::newRow("disk full while the sections are written") << u"book.db"_s << qint64(16384);
    QTest::newRow("disk full when the file is replaced") << u"book.db"_s << qint64(100000);
    QTest::newRow("no folder") << u"missing/book.db"_s << qint64(0);
    QTest::newRow("a folder where the file is") << u"folder/book.db"_s << qint64(0);
}

void TestIniLargeBatch::failureLeavesFileAndNoTemporary()
{
    QFETCH(QString, where);
    QFETCH(qint64, sizeLimit);
    const QString path = m_dir->filePath(where);
    const QByteArray start = "[Other]\r\nx=1\r\n"_ba;
    if (where.startsWith(u"folder"))
        QVERIFY(QDir().mkpath(path));
    else if (!where.startsWith(u"missing"))
        ReplaceFileBytes(path, start);
    if (sizeLimit > 0)
        SKIP_WITHOUT_FULL_DISK();
    IniFile file(path);
    const auto writeAllFailing = [&] {
        return FailureOf([&] {
            IniFile::Batch batch(file);
            for (int i = 0; i < kSections; ++i)
                file.writeSection(nameOf(i), fieldsOf(i));
            batch.commit();
        });
    };
    if (sizeLimit > 0) {
        const int code = RunWithFileSizeLimit(sizeLimit, [&] {
            return writeAllFailing() == u"Unable to write to "_s + path ? 0 : 1;
        });
        QCOMPARE(code, 0);
    } else {
        QCOMPARE(writeAllFailing(), u"Unable to write to "_s + path);
    }
    if (where.startsWith(u"folder"))
        QVERIFY(QFileInfo(path).isDir());
    else if (where.startsWith(u"missing"))
        QVERIFY(!QFileInfo::exists(QFileInfo(path).path()));
    else
        QCOMPARE(ReadFileBytes(path), start);
    const QStringList left = QDir(QFileInfo(path).path()).entryList(QDir::Files);
    QVERIFY2(left.filter(u"spool"_s).isEmpty(), qPrintable(left.join(u", ")));
    QVERIFY(!file.sectionHasKeys(nameOf(0)));
}

QTEST_GUILESS_MAIN(TestIniLargeBatch)
#include "tst_inilargebatch.moc"
