#include "forms/common/filedialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

class TestFileDialogs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void filterConversion_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("two entries") << "Text Files|*.txt|All Files|*.*"
                                     << "Text Files (*.txt);;All Files (*.*)";
        QTest::newRow("several patterns") << "Pictures|*.jpg;*.png"
                                          << "Pictures (*.jpg *.png)";
        QTest::newRow("patterns already shown") << "Backups (*.qcbak)|*.qcbak"
                                                << "Backups (*.qcbak)";
        QTest::newRow("dangling description") << "CSV|*.csv|Other"
                                              << "CSV (*.csv)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void filterConversion()
    {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(FileDialogs::QtFilter(filter), qt);
    }

    void nextFileNameAnswersOnce()
    {
        FileDialogs::SetNextFileName(QStringLiteral("/tmp/a.txt"));
        QCOMPARE(FileDialogs::GetOpenFileName(nullptr, "t", "All|*.*"),
                 QStringLiteral("/tmp/a.txt"));
        FileDialogs::SetNextFileName(QString());
        QCOMPARE(FileDialogs::GetOpenFileName(nullptr, "t", "All|*.*"), QString());

        FileDialogs::SetNextFileName(QStringLiteral("/tmp/notes"));
        QCOMPARE(FileDialogs::GetSaveFileName(nullptr, "t", "Text|*.txt", "TXT"),
                 QStringLiteral("/tmp/notes.TXT"));
        FileDialogs::SetNextFileName(QStringLiteral("/tmp/notes.md"));
        QCOMPARE(FileDialogs::GetSaveFileName(nullptr, "t", "Text|*.txt", "TXT"),
                 QStringLiteral("/tmp/notes.md"));
        FileDialogs::SetNextFileName(QString());
        QCOMPARE(FileDialogs::GetSaveFileName(nullptr, "t", "Text|*.txt", "TXT"), QString());
    }

    // Without a prepared name a real dialog comes up, with the title and filters asked for.
    void realDialogShowsAndCancels()
    {
        QString title;
        QStringList filters;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            dialog->reject();
        });
        QCOMPARE(FileDialogs::GetOpenFileName(nullptr, "Import", "CSV Files|*.csv|All|*.*"),
                 QString());
        QCOMPARE(title, QStringLiteral("Import"));
        QCOMPARE(filters, QStringList({"CSV Files (*.csv)", "All (*.*)"}));
    }
};

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"
