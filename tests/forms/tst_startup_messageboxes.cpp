#include "forms/common/messageboxhandler.h"
#include "platform/messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// The real message boxes: the icon and buttons each flag value asks for, the Windows button
// ids they answer with, and the window that owns them.
class TestMessageBoxes : public QObject
{
    Q_OBJECT

private:
    struct Seen
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QString text;
        QString title;
        QWidget *parent = nullptr;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    // Answers the next box with button (or Escape when NoButton), noting what it showed.
    static void answerNextBox(Seen &seen, QMessageBox::StandardButton button)
    {
        QTimer::singleShot(0, [&seen, button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                answerNextBox(seen, button);
                return;
            }
            seen.icon = box->icon();
            seen.buttons = box->standardButtons();
            seen.text = box->text();
            seen.title = box->windowTitle();
            seen.parent = box->parentWidget();
            seen.defaultButton = box->standardButton(box->defaultButton());
            if (button == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(button)->click();
        });
    }

private slots:
    void initTestCase() { InstallQtMessageBoxHandler(); }
    void cleanupTestCase() { SetMessageBoxHandler(nullptr); }
    void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void flagsAndAnswers_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("result");

        const int ok = QMessageBox::Ok;
        const int yesNo = QMessageBox::Yes | QMessageBox::No;
        const int yesNoCancel = yesNo | QMessageBox::Cancel;
        QTest::newRow("information") << 64 << int(QMessageBox::Information) << ok << ok << 1;
        QTest::newRow("error") << 16 << int(QMessageBox::Critical) << ok << ok << 1;
        QTest::newRow("question yes")
            << 36 << int(QMessageBox::Question) << yesNo << int(QMessageBox::Yes) << 6;
        QTest::newRow("question no")
            << 36 << int(QMessageBox::Question) << yesNo << int(QMessageBox::No) << 7;
        QTest::newRow("question escape")
            << 36 << int(QMessageBox::Question) << yesNo << int(QMessageBox::NoButton) << 7;
        QTest::newRow("three-way yes")
            << 35 << int(QMessageBox::Question) << yesNoCancel << int(QMessageBox::Yes) << 6;
        QTest::newRow("three-way no")
            << 35 << int(QMessageBox::Question) << yesNoCancel << int(QMessageBox::No) << 7;
        QTest::newRow("three-way cancel")
            << 35 << int(QMessageBox::Question) << yesNoCancel << int(QMessageBox::Cancel) << 2;
        QTest::newRow("three-way escape")
            << 35 << int(QMessageBox::Question) << yesNoCancel << int(QMessageBox::NoButton) << 2;
        QTest::newRow("information escape")
            << 64 << int(QMessageBox::Information) << ok << int(QMessageBox::NoButton) << 1;
        QTest::newRow("warning question, No the default")
            << (36 | 0x30 | 0x100) << int(QMessageBox::Warning) << yesNo
            << int(QMessageBox::NoButton) << 7;
    }
    void flagsAndAnswers()
    {
        QFETCH(int, flags);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, press);
        QFETCH(int, result);

        Seen seen;
        answerNextBox(seen, QMessageBox::StandardButton(press));
        QCOMPARE(
            RunMessageBox(QStringLiteral("Some <b>text</b>"), QStringLiteral("Caption"), flags),
            result);
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(int(seen.buttons), buttons);
        QCOMPARE(seen.text, QStringLiteral("Some <b>text</b>"));
        QCOMPARE(seen.title, QStringLiteral("Caption"));
        const QMessageBox::StandardButton first =
            buttons == int(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Yes;
        QCOMPARE(seen.defaultButton, flags & 0x100 ? QMessageBox::No : first);
    }

    void ownedByActiveWindow()
    {
        Seen seen;
        answerNextBox(seen, QMessageBox::Ok);
        RunMessageBox(QStringLiteral("x"), QStringLiteral("y"), 64);
        QVERIFY(!seen.parent);

        QWidget window;
        window.show();
        QApplication::setActiveWindow(&window);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        answerNextBox(seen, QMessageBox::Ok);
        RunMessageBox(QStringLiteral("x"), QStringLiteral("y"), 64);
        QCOMPARE(seen.parent, &window);
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_startup_messageboxes.moc"
