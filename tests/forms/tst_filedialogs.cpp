#include "forms/common/filedialogs.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
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
};

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"
