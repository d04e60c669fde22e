// The importer's windows: the clash dialog, and an import from the main window's command to
// the reloaded list.
#include "app/untcommon.h"
#include "forms/common/filedialogs.h"
#include "forms/main/frmmainform.h"
#include "import/csvtablemodel.h"
#include "import/frmcsvimporter.h"
#include "import/frmimportexists.h"
#include "platform/calbreyerror.h"

#include "guitest.h"
#include "recordinglauncher.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// Runs fn on the modal dialog of that objectName once it is the active one; a watch that
// may never fire is given a context that ends it.
void whenDialog(const QString &name, std::function<void(QWidget *)> fn, QObject *context = nullptr)
{
    auto *timer = new QTimer(context);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, fn = std::move(fn)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == name) {
            timer->stop();
            timer->deleteLater();
            fn(modal);
        }
    });
    timer->start();
}

void click(QWidget *dialog, const char *button)
{
    child<QPushButton>(*dialog, button)->click();
}

QStringList columnTargets(const QTableView &grid)
{
    QStringList targets;
    for (int column = 0; column < grid.model()->columnCount(); ++column)
        targets.append(grid.model()
                           ->headerData(column, Qt::Horizontal, TCsvTableModel::ColumnTargetRole)
                           .toString());
    return targets;
}

// Chooses the entry of the combo box with that text, as the user does.
void chooseText(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Chooses the entry of the combo box with that item data, as the user does.
void choose(QComboBox *box, const QString &data)
{
    const int index = box->findData(data);
    QVERIFY2(index >= 0, qPrintable(data));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TestCsvImporter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void clashDialogHasOnlyOkAsTheWayOut();
    void importsFromTheMainWindow();
    void anOpenEditOfALongCellCountsWhole();
    void fileThatCannotBeOpenedShowsNoImporter();
    void cancelWritesNothingAndHelpOpensItsPage();
    void closingMessageIsNotCoveredByTheProgress();
    void columnsMappedByHandAreRemembered();
    void formatIsDetectedShownAndChangeable();
    void choicesThatCannotBeRememberedAreTold();

private:
    QString writeCsv(const QByteArray &bytes)
    {
        QString path = m_files.filePath(u"contacts.csv"_s);
        ReplaceFileBytes(path, bytes);
        return path;
    }

    QTemporaryDir m_files;
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<TMainForm> m_form;
};

void TestCsvImporter::init()
{
    m_profile = std::make_unique<TestProfile>();
    QVERIFY(m_profile->activated());
    m_profile->fill({{u"Ann Lee"_s, {{u"aContactName"_s, u"Ann Lee"_s}}},
                     {u"Ann Lee1"_s, {{u"aContactName"_s, u"Ann Lee1"_s}}}});
    m_boxes = std::make_unique<ScriptedMessageBox>();
    m_launcher = std::make_unique<RecordingLauncher>();
    m_form = std::make_unique<TMainForm>();
}

void TestCsvImporter::cleanup()
{
    m_form.reset();
    m_launcher.reset();
    m_boxes.reset();
    m_profile.reset();
    QVERIFY(!QApplication::activeModalWidget());
}

void TestCsvImporter::clashDialogHasOnlyOkAsTheWayOut()
{
    TContactExists dialog;
    dialog.SetContactName(u"Ann Lee"_s);
    QCOMPARE(child<QLabel>(dialog, "lbText")->text(), u"\"Ann Lee\""_s);
    QVERIFY(child<QRadioButton>(dialog, "cbRename")->isChecked());
    QVERIFY(!child<QCheckBox>(dialog, "cbAllRemaining")->isChecked());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));

    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();
    QVERIFY(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ChosenName(), u"Ann Lee2"_s);
}

void TestCsvImporter::importsFromTheMainWindow()
{
    // An Outlook export in Windows-1252, with a clash on two of its rows.
    FileDialogs::SetNextFileName(writeCsv("Title,First Name,Middle Name,Last Name,Notes\r\n"
                                          ",Ann,,Lee,\"first\r\nsecond\"\r\n"
                                          ",Ann,,Lee,again\r\n"
                                          ",Ren\xe9,,Roy,\r\n"
                                          ",Ann [Work],,Lee],\r\n"
                                          ",Bob],,,\r\n"_ba));
    m_profile->fill({{u"Ann  Lee"_s, {{u"hCitg"_s, u"Oslo"_s}}}});
    QStringList headers;
    whenDialog(u"TCSVImporter"_s, [&](QWidget *importer) {
        auto *grid = child<QTableView>(*importer, "sgImport");
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            headers.append(grid->model()->headerData(column, Qt::Horizontal).toString());
        // A cell typed into and confirmed with Enter.
        const QModelIndex notes = grid->model()->index(2, 4);
        QVERIFY(QTest::qWaitForWindowActive(importer));
        grid->setFocus();
        grid->edit(notes);
        auto *editor = grid->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->setText(u"typed"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        // Enter commits through a queued call, which runs before the user can press OK.
        QCoreApplication::processEvents();
        QCOMPARE(grid->model()->data(notes), QVariant(u"typed"_s));

        whenDialog(u"TContactExists"_s, [](QWidget *dialog) {
            dialog->findChild<QRadioButton *>(u"cbOverwrite"_s)->setChecked(true);
            dialog->findChild<QCheckBox *>(u"cbAllRemaining"_s)->setChecked(true);
            click(dialog, "Button1");
        });
        click(importer, "Button1");
    });
    trigger(*m_form, "ImportCSVFile1");

    QCOMPARE(headers, QStringList({u"Title"_s, u"First Name"_s, u"Middle Name"_s, u"Last Name"_s,
                                   u"Notes"_s}));
    QCOMPARE(m_boxes->captions(), QStringList({u"Import complete"_s, u"Rows not imported"_s}));
    QCOMPARE(m_boxes->shown[0].text, u"Quenlark Calbrey added 3 contacts to your address book."_s);
    QCOMPARE(m_boxes->shown[0].flags, 64);
    QCOMPARE(m_boxes->shown[1].text,
             u"2 rows were not imported because their names contain \"]\", which a contact "
             "name cannot hold: rows 4 and 5. Correct the names in the file and import it "
             "again."_s);
    QCOMPARE(m_form->ListedContacts(), QStringList({u"Ann  Lee"_s, u"René  Roy"_s}));
    const TProfile &profile = m_profile->profile();
    QCOMPARE(profile.ReadField(u"Ann  Lee"_s, u"aNotes"_s), u"again"_s);
    QCOMPARE(profile.ReadField(u"Ann  Lee"_s, u"hCitg"_s), u"Oslo"_s);
    QCOMPARE(profile.ReadField(u"René  Roy"_s, u"aNotes"_s), u"typed"_s);
}

void TestCsvImporter::anOpenEditOfALongCellCountsWhole()
{
    TCSVImporter importer(m_form.get());
    QVERIFY(importer.LoadFile(writeCsv("Name,Notes\r\nNew One," + QByteArray(40000, 'n'))));
    importer.show();
    QVERIFY(QTest::qWaitForWindowActive(&importer));
    auto *grid = child<QTableView>(importer, "sgImport");
    const QModelIndex notes = grid->model()->index(0, 1);
    QCOMPARE(notes.data().toString().size(), 1001); // shown cut short
    grid->setFocus();
    grid->edit(notes);
    auto *editor = grid->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->setText(editor->text() + u'!');
    importer.Button1Click(); // as Alt+O does it: the focus is still in the cell
    QCOMPARE(m_profile->profile().ReadField(u"New One"_s, u"aNotes"_s).size(), 40001);
    QVERIFY(!importer.isVisible());
}

void TestCsvImporter::fileThatCannotBeOpenedShowsNoImporter()
{
    const QByteArray before = ReadFileBytes(m_profile->databasePath());
    const QString missing = m_files.filePath(u"missing.csv"_s);
    FileDialogs::SetNextFileName(missing);
    bool shown = false;
    QObject watch;
    whenDialog(
        u"TCSVImporter"_s,
        [&shown](QWidget *importer) {
            shown = true;
            click(importer, "Button2");
        },
        &watch);
    try {
        trigger(*m_form, "ImportCSVFile1");
        QFAIL("no error");
    } catch (const CalbreyError &error) {
        QCOMPARE(error.message(), u"Cannot open file "_s + missing);
    }
    QCoreApplication::processEvents();
    QVERIFY(!shown);
    QCOMPARE(ReadFileBytes(m_profile->databasePath()), before);

    // A cancelled file dialog does nothing at all.
    FileDialogs::SetNextFileName(QString());
    trigger(*m_form, "ImportCSVFile1");
    QVERIFY(m_boxes->shown.isEmpty());
}

void TestCsvImporter::cancelWritesNothingAndHelpOpensItsPage()
{
    const QByteArray before = ReadFileBytes(m_profile->databasePath());
    FileDialogs::SetNextFileName(writeCsv("Name\r\nNew One\r\n"_ba));
    whenDialog(u"TCSVImporter"_s, [](QWidget *importer) {
        click(importer, "Button7");
        click(importer, "Button2");
    });
    trigger(*m_form, "ImportCSVFile1");
    QCOMPARE(m_launcher->documents.size(), 1);
    QVERIFY(m_launcher->documents.first().endsWith(u"Help/importcsv.html"_s));
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(ReadFileBytes(m_profile->databasePath()), before);
}

void TestCsvImporter::closingMessageIsNotCoveredByTheProgress()
{
    // The progress would come up after its delay, over the message: the user could not
    // reach the message's OK.
    TCSVImporter importer(m_form.get());
    QVERIFY(importer.LoadFile(writeCsv("Name\r\nNew One\r\n"_ba)));
    importer.show();
    bool progressShown = true;
    const MessageBoxHandler previous =
        SetMessageBoxHandler([&](const QString &, const QString &, int) {
            QTest::qWait(800);
            const auto *progress = importer.findChild<QProgressDialog *>(u"dlgImportProgress"_s);
            progressShown = progress && progress->isVisible();
            return 1;
        });
    importer.Button1Click();
    SetMessageBoxHandler(previous);
    QVERIFY(!progressShown);
}

void TestCsvImporter::columnsMappedByHandAreRemembered()
{
    const QString config = m_profile->settingsPath();
    {
        TCSVImporter importer(m_form.get());
        QVERIFY(importer.LoadFile(writeCsv("Name,Title,Home City,Phone 1 - Label,Phone 1 - Value"
                                           "\r\nNew One,Dr,Oslo,Mobile,1\r\n"_ba)));
        importer.show();
        QVERIFY(QTest::qWaitForWindowActive(&importer));
        auto *grid = child<QTableView>(importer, "sgImport");
        QCOMPARE(columnTargets(*grid),
                 QStringList({u"(contact name)"_s, u"(keep as extra)"_s, u"Home: City"_s,
                              u"(label)"_s, u"(field by label)"_s}));

        // The field list over the grid is the current cell's column's, reached with Alt+G.
        auto *box = child<QComboBox>(importer, "cbColumnField");
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QCOMPARE(child<QLabel>(importer, "lblColumnField")->text(),
                 u"Column \"Title\" &goes to:"_s);
        QCOMPARE(box->currentText(), u"(keep as extra)"_s);
        QTest::keyClick(&importer, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), box);
        choose(box, u"pRealName"_s);
        QCOMPARE(columnTargets(*grid)[1], u"Real name"_s);

        // A click on a header offers the same list.
        QTimer::singleShot(0, &importer, [] {
            QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QCOMPARE(menu->objectName(), u"mnuColumnField"_s);
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Down); // (keep as extra), then (skip)
            QTest::keyClick(menu, Qt::Key_Return);
        });
        emit grid->horizontalHeader()->sectionClicked(2);
        QCOMPARE(columnTargets(*grid)[2], u"(skip)"_s);

        importer.Button1Click();
        QVERIFY(!importer.isVisible());
    }
    const TProfile &profile = m_profile->profile();
    QCOMPARE(profile.ReadField(u"New One"_s, u"pRealName"_s), u"Dr"_s);
    QCOMPARE(profile.ReadField(u"New One"_s, u"hCitg"_s), QString());
    QCOMPARE(profile.ReadField(u"New One"_s, u"pMobile"_s), u"1"_s);
    QVERIFY(ReadFileBytes(config).contains("[CSV Columns]\r\nTitle=pRealName\r\nHome City=.skip"));

    // The next file with those headers, in any case, goes the same way; going back to the
    // table's own field forgets the choice.
    {
        TCSVImporter importer(m_form.get());
        QVERIFY(importer.LoadFile(writeCsv("NAME,title,home city\r\nOther,Prof,Rome\r\n"_ba)));
        auto *grid = child<QTableView>(importer, "sgImport");
        QCOMPARE(columnTargets(*grid),
                 QStringList({u"(contact name)"_s, u"Real name"_s, u"(skip)"_s}));
        grid->setCurrentIndex(grid->model()->index(0, 2));
        choose(child<QComboBox>(importer, "cbColumnField"), u"hCitg"_s);
        importer.Button1Click();
    }
    QCOMPARE(profile.ReadField(u"Other"_s, u"pRealName"_s), u"Prof"_s);
    QCOMPARE(profile.ReadField(u"Other"_s, u"hCitg"_s), u"Rome"_s);
    const QByteArray remembered = ReadFileBytes(config);
    QVERIFY(remembered.contains("Title=pRealName\r\n"));
    QVERIFY(!remembered.contains("Home City"));
}

void TestCsvImporter::formatIsDetectedShownAndChangeable()
{
    TCSVImporter importer(m_form.get());
    QVERIFY(importer.LoadFile(writeCsv("Name;Notes\r\nRen\xe9;a,b\r\n"_ba)));
    auto *grid = child<QTableView>(importer, "sgImport");
    auto *encoding = child<QComboBox>(importer, "cbEncoding");
    auto *separator = child<QComboBox>(importer, "cbSeparator");
    QCOMPARE(encoding->currentText(), u"Windows-1252"_s);
    QCOMPARE(separator->currentText(), u"Semicolon"_s);
    QCOMPARE(grid->model()->columnCount(), 2);
    QCOMPARE(grid->model()->index(0, 0).data(), QVariant(u"René"_s));
    QCOMPARE(columnTargets(*grid), QStringList({u"(contact name)"_s, u"Notes"_s}));

    // Another separator reads the file again.
    chooseText(separator, u"Comma"_s);
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal), QVariant(u"Name;Notes"_s));
    QCOMPARE(grid->model()->index(0, 1).data(), QVariant(u"b"_s));
    QCOMPARE(importer.Format().separator, ',');

    // With cells edited, the user is asked first; No keeps the grid as it is.
    QVERIFY(grid->model()->setData(grid->model()->index(0, 1), u"edited"_s));
    chooseText(encoding, u"UTF-8"_s);
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().flags, 36);
    QCOMPARE(encoding->currentText(), u"Windows-1252"_s);
    QCOMPARE(grid->model()->index(0, 1).data(), QVariant(u"edited"_s));
    m_boxes->answer(MessageBoxResult::Yes);
    chooseText(encoding, u"UTF-8"_s);
    QCOMPARE(encoding->currentText(), u"UTF-8"_s);
    QCOMPARE(grid->model()->index(0, 1).data(), QVariant(u"b"_s));

    // Tabs, and UTF-8 with a byte order mark.
    QVERIFY(importer.LoadFile(writeCsv("\xEF\xBB\xBFName\tNotes\r\nZ\xC3\xBCrich\ta,b\r\n"_ba)));
    QCOMPARE(encoding->currentText(), u"UTF-8"_s);
    QCOMPARE(separator->currentText(), u"Tab"_s);
    QCOMPARE(grid->model()->index(0, 0).data(), QVariant(u"Zürich"_s));
    QCOMPARE(grid->model()->index(0, 1).data(), QVariant(u"a,b"_s));
}

void TestCsvImporter::choicesThatCannotBeRememberedAreTold()
{
    const QString config = m_profile->settingsPath();
    QVERIFY(QFile::remove(config));
    QVERIFY(QDir().mkdir(config)); // a folder where the file should be
    TCSVImporter importer(m_form.get());
    QVERIFY(importer.LoadFile(writeCsv("Name,Title\r\nNew One,Dr\r\n"_ba)));
    importer.show();
    auto *grid = child<QTableView>(importer, "sgImport");
    grid->setCurrentIndex(grid->model()->index(0, 1));
    choose(child<QComboBox>(importer, "cbColumnField"), u"pRealName"_s);
    importer.Button1Click();

    // The contacts are in; the user is told the choice is not kept.
    QCOMPARE(m_profile->profile().ReadField(u"New One"_s, u"pRealName"_s), u"Dr"_s);
    QCOMPARE(m_boxes->captions(),
             QStringList({u"Import complete"_s, QLatin1String(ApplicationTitle)}));
    QCOMPARE(m_boxes->shown[1].text, u"Unable to write to "_s + config + u'.');
    QCOMPARE(m_boxes->shown[1].flags, 16);
    QVERIFY(!importer.isVisible());
    QVERIFY(QDir(config).isEmpty());
}

QTEST_MAIN(TestCsvImporter)
#include "tst_csvimporter.moc"
