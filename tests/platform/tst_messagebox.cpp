#include "platform/messagebox.h"

#include <QTest>

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void handlerReceivesEverything()
    {
        QString text, caption;
        int flags = 0;
        MessageBoxHandler previous =
            SetMessageBoxHandler([&](const QString &t, const QString &c, int f) {
                text = t;
                caption = c;
                flags = f;
                return MessageBoxResult::Yes;
            });
        QVERIFY(!previous);
        QCOMPARE(RunMessageBox(QStringLiteral("Sure?"), QStringLiteral("Ask"), 36), 6);
        QCOMPARE(text, QStringLiteral("Sure?"));
        QCOMPARE(caption, QStringLiteral("Ask"));
        QCOMPARE(flags, 36);
        QVERIFY(SetMessageBoxHandler(nullptr));
    }

    // Without a handler nobody can answer, so a question gets the answer that changes nothing.
    void safeAnswersWithoutHandler_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("answer");
        QTest::newRow("information") << 64 << 1;
        QTest::newRow("error") << 16 << 1;
        QTest::newRow("yes/no") << 36 << 7;
        QTest::newRow("yes/no/cancel") << 35 << 2;
    }
    void safeAnswersWithoutHandler()
    {
        QFETCH(int, flags);
        QFETCH(int, answer);
        QCOMPARE(RunMessageBox(QStringLiteral("t"), QStringLiteral("c"), flags), answer);
    }
};

QTEST_GUILESS_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
