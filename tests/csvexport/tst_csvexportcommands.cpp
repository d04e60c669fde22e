// "Export CSV File" in the main window: the dialog's choices, the file and what the user is
// told.
#include "../forms/mainwindowfixture.h"
#include "app/untcommon.h"
#include "csvexport/csvexportcommands.h"
#include "forms/common/filedialogs.h"
#include "testfiles.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCsvExportCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m.profile = std::make_unique<TestProfile>();
        QVERIFY(m.profile->activated());
        m.profile->fill({{u"Ann Lee"_s, {{u"aContactName"_s, u"Ann Lee"_s}}},
                         {u"Bob Roy"_s, {{u"aContactName"_s, u"Bob Roy"_s}}}});
        m.open();
    }
    void cleanup()
    {
        m.close();
        m.profile.reset();
    }

    void dialogOffersItsChoicesByKeyboard()
    {
        m.clickRow(u"Bob Roy"_s);
        QStringList seen;
        whenModal([&seen](QWidget *dialog) {
            seen << dialog->objectName() << dialog->windowTitle();
            auto *layouts = child<QComboBox>(*dialog, "cbLayout");
            for (int i = 0; i < layouts->count(); ++i)
                seen << layouts->itemText(i);
            seen << child<QRadioButton>(*dialog, "rbSelectedContact")->text();
            // The label's mnemonic reaches the box.
            seen << child<QLabel>(*dialog, "lbLayout")->text();
            QCOMPARE(child<QLabel>(*dialog, "lbLayout")->buddy(), layouts);
            static_cast<QDialog *>(dialog)->reject();
        });
        trigger(*m.form, "ExportCSVFile1");
        QCOMPARE(seen, (QStringList{u"TCsvExport"_s, u"Export CSV File"_s, u"Outlook and Excel"_s,
                                    u"Google Contacts"_s, u"&Selected contact (Bob Roy)"_s,
                                    u"&Columns for:"_s}));
        QCOMPARE(m.boxes->count(), 0);
    }

    void exports_data()
    {
        QTest::addColumn<bool>("selectedOnly");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("message"); // %1: the file written
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("rows");
        QTest::newRow("all, Outlook")
            << false << 0 << u"book"_s << u"2 contacts were exported to %1."_s
            << "\xEF\xBB\xBF"
               "First Name,"_ba
            << 3;
        QTest::newRow("selected, Google")
            << true << 1 << u"bob.csv"_s << u"1 contact was exported to %1."_s
            << "First Name,Middle Name,"_ba << 2;
        QTest::newRow("unwritable")
            << true << 0 << u"no/such/folder/x.csv"_s
            << GeneralErrorText(u"Unable to write to %1"_s) << "<missing>"_ba << 0;
    }
    void exports()
    {
        QFETCH(bool, selectedOnly);
        QFETCH(int, layout);
        QFETCH(QString, fileName);
        QFETCH(QString, message);
        QFETCH(QByteArray, start);
        QFETCH(int, rows);
        m.clickRow(u"Bob Roy"_s);
        whenModal([&](QWidget *dialog) {
            child<QRadioButton>(*dialog, "rbSelectedContact")->setChecked(selectedOnly);
            child<QComboBox>(*dialog, "cbLayout")->setCurrentIndex(layout);
            child<QDialogButtonBox>(*dialog, "bbButtons")->button(QDialogButtonBox::Ok)->click();
        });
        QTemporaryDir dir;
        const QString typed = dir.filePath(fileName);
        FileDialogs::SetNextFileName(typed);
        trigger(*m.form, "ExportCSVFile1");
        const QString written = typed.endsWith(u".csv"_s) ? typed : typed + u".csv"_s;
        QCOMPARE(m.boxes->count(), 1);
        QCOMPARE(m.boxes->last().text, message.arg(written));
        const QByteArray bytes = ReadFileBytes(written);
        QVERIFY2(bytes.startsWith(start), bytes.left(40));
        if (rows > 0) {
            QCOMPARE(bytes.count("\r\n"), rows);
            QCOMPARE(bytes.contains("Ann Lee"), !selectedOnly);
            QVERIFY(bytes.contains("Bob Roy"));
        }
    }

private:
    MainWindowFixture m;
};

QTEST_MAIN(TestCsvExportCommands)
#include "tst_csvexportcommands.moc"
