// Decoding file text: UTF-8 where it is valid, Windows-1252 where a line is not.
#include "platform/textcodec.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestIniTextCodec : public QObject
{
    Q_OBJECT

private slots:
    void validUtf8_data();
    void validUtf8();
    void windows1252Table();
    void decidesPerLine();
    void asciiAtEveryPlace();
};

void TestIniTextCodec::validUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ascii") << "plain"_ba << true;
    QTest::newRow("two bytes") << "M\xC3\xBCller"_ba << true;
    QTest::newRow("euro sign") << "\xE2\x82\xAC"_ba << true;
    QTest::newRow("four bytes") << "\xF0\x9F\x98\x80"_ba << true;
    QTest::newRow("highest") << "\xF4\x8F\xBF\xBF"_ba << true;
    QTest::newRow("lone continuation") << "\x80"_ba << false;
    QTest::newRow("latin-1 letter") << "M\xFCller"_ba << false;
    QTest::newRow("overlong slash") << "\xC0\xAF"_ba << false;
    QTest::newRow("overlong three") << "\xE0\x80\xAF"_ba << false;
    QTest::newRow("surrogate") << "\xED\xA0\x80"_ba << false;
    QTest::newRow("beyond U+10FFFF") << "\xF4\x90\x80\x80"_ba << false;
    QTest::newRow("truncated at end") << "ab\xE2\x82"_ba << false;
    QTest::newRow("bad second byte") << "\xE2\x41\x82"_ba << false;
    // Long runs of ASCII are looked at eight octets at a time.
    QTest::newRow("a letter across eight octets") << "abcdefg\xE2\x82\xAC"
                                                     "abcdefgh"_ba
                                                  << true;
    QTest::newRow("truncated after a long run") << "abcdefghijklmnop\xE2\x82"_ba << false;
    QTest::newRow("latin-1 after a long run") << "abcdefghijklmnopM\xFC"
                                                 "ller1234567"_ba
                                              << false;
}

void TestIniTextCodec::validUtf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(IsValidUtf8(bytes), valid);
    if (valid)
        QCOMPARE(DecodeTextLine(bytes), QString::fromUtf8(bytes));
}

void TestIniTextCodec::windows1252Table()
{
    QCOMPARE(DecodeTextLine("\x80\x8A\x9F\xA0\xE9\xFF"_ba), u"€ŠŸ\u00A0éÿ"_s);
    // The five bytes Windows leaves undefined still come through, one character each.
    QCOMPARE(DecodeTextLine("\x81\x8D\x8F\x90\x9D"_ba), u"\u0081\u008D\u008F\u0090\u009D"_s);
    QCOMPARE(DecodeWindows1252("\x93quoted\x94 \x96 \x85"_ba), u"“quoted” – …"_s);
}

void TestIniTextCodec::decidesPerLine()
{
    // One old line among UTF-8 ones; every line break survives as it was.
    const QByteArray text = "\xEF\xBB\xBFName\r\nM\xC3\xBCller\nM\xFCller\r\rend"_ba;
    QCOMPARE(DecodeText(text), u"Name\r\nMüller\nMüller\r\rend"_s);
    QCOMPARE(DecodeText(QByteArray()), QString());
}

// The test runs eight bytes at a time: a byte beyond ASCII is found wherever it stands.
void TestIniTextCodec::asciiAtEveryPlace()
{
    for (qsizetype size = 0; size <= 19; ++size) {
        const QByteArray plain(size, 'a');
        QVERIFY(IsAsciiText(plain));
        for (qsizetype at = 0; at < size; ++at) {
            QByteArray text = plain;
            text[at] = '\x80';
            QVERIFY2(!IsAsciiText(text), qPrintable(u"%1 of %2"_s.arg(at).arg(size)));
        }
    }
}

QTEST_GUILESS_MAIN(TestIniTextCodec)
#include "tst_initextcodec.moc"
