#include "forms/common/filedialogs.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPrintDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QTemporaryDir>
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

    // The program chooser lists folders and the files that may be run, nothing else.
    void programDialogListsOnlyPrograms()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows lists programs by their .EXE name");
#endif
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("bin")));
        for (const char *name : {"tool", "notes.txt"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFile::setPermissions(dir.filePath(QStringLiteral("tool")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QStringList listed;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog && dialog->proxyModel());
            const auto close = qScopeGuard([dialog] { dialog->reject(); });
            mode = dialog->fileMode();
            dialog->setDirectory(dir.path());
            QAbstractProxyModel *proxy = dialog->proxyModel();
            auto *files = qobject_cast<QFileSystemModel *>(proxy->sourceModel());
            const auto root = [&] {
                return proxy->mapFromSource(files->index(dir.path()));
            };
            QTRY_COMPARE(proxy->rowCount(root()), 2);
            for (int row = 0; row < proxy->rowCount(root()); ++row)
                listed.append(proxy->index(row, 0, root()).data().toString());
        });
        QCOMPARE(FileDialogs::GetProgramFileName(nullptr, QStringLiteral("Program")), QString());
        listed.sort();
        QCOMPARE(listed, QStringList({"bin", "tool"}));
        QCOMPARE(mode, QFileDialog::ExistingFile);
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

    // The name's own suffix picks its type; a name without one gets the chosen type's.
    void saveChoice_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("type");
        QTest::newRow("no suffix, first type") << "/t/r" << 0 << "/t/r.html" << 0;
        QTest::newRow("no suffix, second type") << "/t/r" << 1 << "/t/r.pdf" << 1;
        QTest::newRow("second pattern of a type") << "/t/r.HTM" << 1 << "/t/r.HTM" << 0;
        QTest::newRow("suffix of the other type") << "/t/r.pdf" << 0 << "/t/r.pdf" << 1;
        QTest::newRow("unknown suffix kept") << "/t/r.txt" << 1 << "/t/r.txt" << 1;
        QTest::newRow("type out of range") << "/t/r" << 7 << "/t/r.html" << 0;
        QTest::newRow("cancelled") << "" << 1 << "" << 0;
    }
    void saveChoice()
    {
        QFETCH(QString, name);
        QFETCH(int, chosen);
        QFETCH(QString, fileName);
        QFETCH(int, type);
        const QString filter = "Web page|*.html;*.htm|PDF document|*.pdf";
        FileDialogs::SetNextSaveChoice(name, chosen);
        const FileDialogs::SaveChoice choice = FileDialogs::GetSaveChoice(nullptr, "t", filter);
        QCOMPARE(choice.fileName, fileName);
        QCOMPARE(choice.type, type);
    }

    // Without a prepared answer the platform's print dialog comes up; Cancel prints nothing.
    void printDialogShowsAndCancels()
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            shown = true;
            dialog->reject();
        });
        QPrinter printer;
        QVERIFY(!FileDialogs::ExecPrintDialog(nullptr, printer));
        QVERIFY(shown);

        FileDialogs::SetNextPrintAnswer([](QPrinter &p) { return p.outputFileName().isEmpty(); });
        QVERIFY(FileDialogs::ExecPrintDialog(nullptr, printer));
    }
};

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"
