#include "forms/common/filedialogs.h"
#include "forms/dialogs/frmaddmodifycontact.h"
#include "fulldisk.h"
#include "guitest.h"
#include "platform/calbreyerror.h"
#include "profiles/untprofiles.h"
#include "scriptedmessagebox.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

class TestContactNotes : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>(QStringLiteral("Notes"));
        QVERIFY(m_profile->activated());
        m_boxes = std::make_unique<ScriptedMessageBox>();
        m_dialog = std::make_unique<TAddModifyUser>();
        m_dialog->PrepareForContact(false, QString());
        m_notes = child<TNotesMemo>(*m_dialog, "mNotes");
        child<QLineEdit>(*m_dialog, "aContactName")->setText(QStringLiteral("Lee"));
    }
    void cleanup()
    {
        m_dialog.reset();
        m_boxes.reset();
        m_profile.reset();
    }

    void longNotesFromFileStoredWhole()
    {
        QByteArray data;
        for (int i = 0; i < 60; ++i)
            data += "Line " + QByteArray::number(i) + ' ' + QByteArray(50, 'n') + "\r\n";
        const QString path = m_profile->folder().path() + QStringLiteral("long.txt");
        ReplaceFileBytes(path, data);

        m_notes->setPlainText(QStringLiteral("replaced"));
        FileDialogs::SetNextFileName(path);
        child<QToolButton>(*m_dialog, "ToolButton2")->click();
        QString expected = QString::fromLatin1(data).trimmed();
        QCOMPARE(m_notes->toPlainText(), QString(expected).replace(QStringLiteral("\r\n"), "\n"));
        QVERIFY(expected.size() > 3000);

        // Over the limit already: typing adds nothing, deleting still works.
        m_notes->moveCursor(QTextCursor::End);
        QTest::keyClicks(m_notes, QStringLiteral("xyz"));
        QTest::keyClick(m_notes, Qt::Key_Return);
        QCOMPARE(m_notes->toPlainText().size(), expected.size() - 59);
        QTest::keyClick(m_notes, Qt::Key_Backspace);
        expected.chop(1);

        child<QPushButton>(*m_dialog, "Button1")->click();
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(ActiveProfile->ReadNotes(QStringLiteral("Lee")), expected);

        // An undo brings back what the file replaced.
        FileDialogs::SetNextFileName(path);
        m_notes->setPlainText(QStringLiteral("mine"));
        child<QToolButton>(*m_dialog, "ToolButton2")->click();
        child<QToolButton>(*m_dialog, "ToolButton7")->click();
        QCOMPARE(m_notes->toPlainText(), QStringLiteral("mine"));
    }

    void typingAndPastingStopAtLimit()
    {
        m_notes->setPlainText(QString(1998, QLatin1Char('a')));
        m_notes->moveCursor(QTextCursor::End);
        QTest::keyClicks(m_notes, QStringLiteral("bcd"));
        QCOMPARE(m_notes->toPlainText(), QString(1998, QLatin1Char('a')) + QStringLiteral("bc"));

        QGuiApplication::clipboard()->setText(QStringLiteral("12345"));
        child<QToolButton>(*m_dialog, "ToolButton6")->click();
        QCOMPARE(m_notes->toPlainText().size(), 2000);
        // A selection makes room for as much as it covers.
        QTextCursor cursor = m_notes->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(3, QTextCursor::KeepAnchor);
        m_notes->setTextCursor(cursor);
        child<QToolButton>(*m_dialog, "ToolButton6")->click();
        QVERIFY(m_notes->toPlainText().startsWith(QLatin1String("123aa")));
        QCOMPARE(m_notes->toPlainText().size(), 2000);

        m_notes->clear();
        QTest::keyClicks(m_notes, QStringLiteral("hi"));
        QTest::keyClick(m_notes, Qt::Key_Return);
        QTest::keyClicks(m_notes, QStringLiteral("there"));
        m_notes->selectAll();
        child<QToolButton>(*m_dialog, "ToolButton5")->click();
        QCOMPARE(m_notes->toPlainText(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("hi\nthere"));
    }

    void pipeInNotesSwitchesToNotesPage()
    {
        m_notes->setPlainText(QStringLiteral("from a file | with a bar"));
        child<QPushButton>(*m_dialog, "Button1")->click();
        QCOMPARE(m_boxes->captions(), QStringList{QStringLiteral("Invalid notes data.")});
        QCOMPARE(m_dialog->findChild<QTabWidget *>(QStringLiteral("Pages"))->currentWidget(),
                 child<QWidget>(*m_dialog, "tabNotes"));
        QVERIFY(!ActiveProfile->ContactExists(QStringLiteral("Lee")));
    }

    void saveNotesToFile()
    {
        const QString path = m_profile->folder().path() + QStringLiteral("notes.txt");
        ReplaceFileBytes(path, "old content");
        m_notes->setPlainText(QStringLiteral("first\n\nthird \u00e9"));
        FileDialogs::SetNextFileName(path);
        child<QToolButton>(*m_dialog, "ToolButton3")->click();
        QCOMPARE(ReadFileBytes(path), QByteArray("first\r\n\r\nthird \xc3\xa9\r\n"));

        FileDialogs::SetNextFileName(QString());
        child<QToolButton>(*m_dialog, "ToolButton3")->click();
        QCOMPARE(ReadFileBytes(path), QByteArray("first\r\n\r\nthird \xc3\xa9\r\n"));
    }

    void notesFileErrors()
    {
        m_notes->setPlainText(QStringLiteral("keep"));
        const QString missing = m_profile->folder().path() + QStringLiteral("no such folder/n.txt");
        FileDialogs::SetNextFileName(missing);
        try {
            child<QToolButton>(*m_dialog, "ToolButton2")->click();
            QFAIL("opening a missing file was not reported");
        } catch (const CalbreyError &error) {
            QCOMPARE(error.message(), QStringLiteral("Cannot open file ") + missing);
        }
        FileDialogs::SetNextFileName(missing);
        try {
            child<QToolButton>(*m_dialog, "ToolButton3")->click();
            QFAIL("saving into a missing folder was not reported");
        } catch (const CalbreyError &error) {
            QCOMPARE(error.message(), QStringLiteral("Cannot create file ") + missing);
        }
        QCOMPARE(m_notes->toPlainText(), QStringLiteral("keep"));
        QVERIFY(!QFile::exists(missing));
    }

    void failedSaveLeavesContactAsItWas_data()
    {
        QTest::addColumn<bool>("partial");
        QTest::newRow("disk full") << false;
        // Room for part of the new file: a short write must fail as loudly as none at all.
        QTest::newRow("room for the old size only") << true;
    }
    void failedSaveLeavesContactAsItWas()
    {
        QFETCH(bool, partial);
        TProfile &profile = *ActiveProfile;
        profile.WriteField(QStringLiteral("Old"), QStringLiteral("aContactName"),
                           QStringLiteral("Old"));
        profile.WriteField(QStringLiteral("Old"), QStringLiteral("pNickName"),
                           QStringLiteral("before"));
        const QString database = profile.GetProfileInfo(0);
        const QByteArray before = ReadFileBytes(database);
        const QStringList filesBefore = QDir(profile.GetProfileInfo(3)).entryList(QDir::Files);

        SKIP_WITHOUT_FULL_DISK();
        m_dialog = std::make_unique<TAddModifyUser>();
        m_dialog->PrepareForContact(true, QStringLiteral("Old"));
        child<QLineEdit>(*m_dialog, "pNickName")->setText(QStringLiteral("after"));
        child<TNotesMemo>(*m_dialog, "mNotes")->setPlainText(QString(500, QLatin1Char('x')));
        m_dialog->show();
        bool thrown = false;
        {
            FileSizeLimit full(partial ? before.size() : 0);
            try {
                child<QPushButton>(*m_dialog, "Button1")->click();
            } catch (const CalbreyError &error) {
                thrown = error.message().startsWith(QLatin1String("Unable to write to"));
            }
        }
        QVERIFY(thrown);
        QCOMPARE(ReadFileBytes(database), before);
        QCOMPARE(QDir(profile.GetProfileInfo(3)).entryList(QDir::Files), filesBefore);
        QCOMPARE(profile.ReadField(QStringLiteral("Old"), QStringLiteral("pNickName")),
                 QStringLiteral("before"));
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));

        // The same dialog saves once the disk has room again.
        child<QPushButton>(*m_dialog, "Button1")->click();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(profile.ReadField(QStringLiteral("Old"), QStringLiteral("pNickName")),
                 QStringLiteral("after"));
    }

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<TAddModifyUser> m_dialog;
    TNotesMemo *m_notes = nullptr;
};

QTEST_MAIN(TestContactNotes)
#include "tst_frmaddmodifycontact_notes.moc"
