// The vCard commands of the main window, from the menu, the file dialogs and a drop on the
// list to the book and the messages.
#include "../forms/mainwindowfixture.h"
#include "app/untcommon.h"
#include "forms/common/filedialogs.h"
#include "platform/messagebox.h"
#include "vcard/vcardcommands.h"

#include "testfiles.h"

#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QByteArray card(const QByteArray &fullName, const QByteArray &email = {})
{
    QByteArray text = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + fullName + "\r\n";
    if (!email.isEmpty())
        text += "EMAIL:" + email + "\r\n";
    return text + "END:VCARD\r\n";
}

// Runs fn on the modal dialog of that objectName once it is the active one.
void whenDialog(const QString &name, std::function<void(QWidget *)> fn)
{
    whenModal([name, fn = std::move(fn)](QWidget *modal) {
        QCOMPARE(modal->objectName(), name);
        fn(modal);
    });
}

} // namespace

class TestVCardCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuOffersImportAndExportAfterCsv();
    void importAsksAboutAClashAndNamesLeftOutCards();
    void importReports_data();
    void importReports();
    void dragsTakeOnlyLocalVCardFiles_data();
    void dragsTakeOnlyLocalVCardFiles();
    void exports_data();
    void exports();

private:
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QString path = m_files.filePath(name);
        ReplaceFileBytes(path, bytes);
        return path;
    }
    QWidget *listViewport() const
    {
        return m.control<TContactListView>("lbContactList")->viewport();
    }
    /// Sends a drag of urls into the list (and drops it when drop); whether the list took it.
    bool drag(const QList<QUrl> &urls, bool drop)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = listViewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(listViewport(), &enter);
        if (!enter.isAccepted() || !drop)
            return enter.isAccepted();
        QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(listViewport(), &dropped);
        // A move would have the file manager delete the file.
        if (dropped.dropAction() != Qt::CopyAction)
            return false;
        QCoreApplication::processEvents(); // the import runs once the drop is over
        return dropped.isAccepted();
    }

    QTemporaryDir m_files;
    MainWindowFixture m;
};

void TestVCardCommands::init()
{
    m.profile = std::make_unique<TestProfile>();
    QVERIFY(m.profile->activated());
    m.profile->fill({{u"Ann Lee"_s, {{u"aContactName"_s, u"Ann Lee"_s}, {u"hCitg"_s, u"Oslo"_s}}},
                     {u"Bob Roy"_s, {{u"aContactName"_s, u"Bob Roy"_s}}}});
    m.open();
}

void TestVCardCommands::cleanup()
{
    m.close();
    m.profile.reset();
}

void TestVCardCommands::menuOffersImportAndExportAfterCsv()
{
    QStringList items;
    for (const QAction *action : m.control<QMenu>("ImportExport1")->actions())
        items.append(action->text() + (action->isEnabled() ? u""_s : u" (disabled)"_s));
    QCOMPARE(items, QStringList({u"Import &CSV File"_s, u"Import &vCard File"_s,
                                 u"E&xport vCard File"_s, u"Export CSV &File"_s}));
    // The file dialogs show the patterns in Qt's form.
    QCOMPARE(FileDialogs::QtFilter(TVCardCommands::ImportDialogFilter),
             u"vCard files (*.vcf *.vcard)"_s);
    QCOMPARE(FileDialogs::QtFilter(TVCardCommands::ExportDialogFilter), u"vCard files (*.vcf)"_s);
}

void TestVCardCommands::importAsksAboutAClashAndNamesLeftOutCards()
{
    FileDialogs::SetNextFileName(writeFile(u"phone.vcf"_s, card("Ann Lee", "ann@example.org") +
                                                               card("Cy Lo") + card("Dee [Work]") +
                                                               card("Ed ]")));
    QString asked;
    whenDialog(u"TContactExists"_s, [&asked](QWidget *dialog) {
        asked = child<QLabel>(*dialog, "lbText")->text();
        child<QRadioButton>(*dialog, "cbOverwrite")->setChecked(true);
        child<QPushButton>(*dialog, "Button1")->click();
    });
    trigger(*m.form, "ImportvCardFile1");

    QCOMPARE(asked, u"\"Ann Lee\""_s);
    QCOMPARE(m.boxes->captions(), QStringList({u"Import complete"_s, u"Cards not imported"_s}));
    QCOMPARE(m.boxes->shown[0].text, u"Quenlark Calbrey added 2 contacts to your address book."_s);
    QCOMPARE(m.boxes->shown[1].text,
             u"2 cards were not imported because their names contain \"]\", which a contact "
             "name cannot hold: cards 3 and 4. Correct the names in the file and import it "
             "again."_s);
    QCOMPARE(m.form->ListedContacts(), QStringList({u"Ann Lee"_s, u"Bob Roy"_s, u"Cy Lo"_s}));
    const TProfile &profile = m.profile->profile();
    QCOMPARE(profile.ReadField(u"Ann Lee"_s, u"pEmailAddress"_s), u"ann@example.org"_s);
    QCOMPARE(profile.ReadField(u"Cy Lo"_s, u"aContactName"_s), u"Cy Lo"_s);
}

void TestVCardCommands::importReports_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no such file
    QTest::addColumn<bool>("dropped");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("lastText"); // "%1" stands for the file's name
    QTest::addColumn<QStringList>("listed");

    const QStringList before = {u"Ann Lee"_s, u"Bob Roy"_s};
    const QStringList withCy = {u"Ann Lee"_s, u"Bob Roy"_s, u"Cy Lo"_s};
    QTest::newRow("dropped file") << card("Cy Lo") << true << QStringList{u"Import complete"_s}
                                  << u"Quenlark Calbrey added 1 contacts to your address book."_s
                                  << withCy;
    QTest::newRow("damaged card")
        << card("Cy Lo") + "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Di Ray\r\n"
        << false << QStringList{u"Import complete"_s, u"Cards not read"_s}
        << u"1 card could not be read because it is damaged; it was left out and the other "
           "cards were imported."_s
        << withCy;
    QTest::newRow("no card") << "FN:Cy Lo\r\n"_ba << true << QStringList{u"Nothing to import"_s}
                             << u"There is no card that can be read in %1, so nothing was "
                                "imported."_s
                             << before;
    // Damaged: binary data, nothing to name a contact by, no end.
    QTest::newRow("only damaged cards")
        << "BEGIN:VCARD\r\nFN:Cy\x01Lo\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nBDAY:2000-01-01\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Di Ray\r\n"_ba
        << true << QStringList{u"Nothing to import"_s}
        << u"3 cards in %1 could not be read because they are damaged, so nothing was "
           "imported."_s
        << before;
    QTest::newRow("one damaged card")
        << "BEGIN:VCARD\r\nFN:Di Ray\r\n"_ba << false << QStringList{u"Nothing to import"_s}
        << u"1 card in %1 could not be read because it is damaged, so nothing was imported."_s
        << before;
    QTest::newRow("no file") << QByteArray() << false
                             << QStringList{QLatin1String(ApplicationTitle)}
                             << GeneralErrorText(u"Cannot open file %1"_s) << before;
}

void TestVCardCommands::importReports()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, dropped);
    QFETCH(QStringList, captions);
    QFETCH(QString, lastText);
    QFETCH(QStringList, listed);

    const QByteArray book = ReadFileBytes(m.profile->databasePath());
    const QString path =
        bytes.isEmpty() ? m_files.filePath(u"missing.vcf"_s) : writeFile(u"cards.VCF"_s, bytes);
    if (dropped) {
        QVERIFY(drag({QUrl::fromLocalFile(path)}, true));
    } else {
        FileDialogs::SetNextFileName(path);
        trigger(*m.form, "ImportvCardFile1");
    }
    QCOMPARE(m.boxes->captions(), captions);
    QCOMPARE(m.boxes->last().text, lastText.arg(path));
    QCOMPARE(m.form->ListedContacts(), listed);
    if (listed.size() == 2)
        QCOMPARE(ReadFileBytes(m.profile->databasePath()), book);
}

void TestVCardCommands::dragsTakeOnlyLocalVCardFiles_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("taken");
    const auto file = [this](const QString &name) {
        return QUrl::fromLocalFile(m_files.filePath(name));
    };
    QTest::newRow("two cards files") << QList{file(u"a.vcf"_s), file(u"B.VCARD"_s)} << true;
    QTest::newRow("with a text file") << QList{file(u"a.vcf"_s), file(u"b.txt"_s)} << false;
    QTest::newRow("csv") << QList{file(u"a.csv"_s)} << false;
    QTest::newRow("web address") << QList{QUrl(u"https://example.org/a.vcf"_s)} << false;
    QTest::newRow("no urls") << QList<QUrl>() << false;
}

void TestVCardCommands::dragsTakeOnlyLocalVCardFiles()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, taken);
    QCOMPARE(drag(urls, false), taken);
}

void TestVCardCommands::exports_data()
{
    QTest::addColumn<QString>("selected"); // empty: no row selected
    QTest::addColumn<bool>("selectedOnly");
    QTest::addColumn<QString>("fileName"); // as typed into the save dialog
    QTest::addColumn<QString>("message");  // "%1": the file written
    QTest::addColumn<QByteArrayList>("names");

    QTest::newRow("all, none selected")
        << QString() << false << u"book"_s << u"2 contacts were exported to %1."_s
        << QByteArrayList{"FN:Ann Lee", "FN:Bob Roy"};
    QTest::newRow("all, one selected")
        << u"Bob Roy"_s << false << u"all.vcf"_s << u"2 contacts were exported to %1."_s
        << QByteArrayList{"FN:Ann Lee", "FN:Bob Roy"};
    QTest::newRow("selected") << u"Bob Roy"_s << true << u"bob"_s
                              << u"1 contact was exported to %1."_s << QByteArrayList{"FN:Bob Roy"};
    QTest::newRow("unwritable") << u"Bob Roy"_s << true << u"no/such/folder/bob.vcf"_s
                                << GeneralErrorText(u"Unable to write to %1"_s) << QByteArrayList{};
}

void TestVCardCommands::exports()
{
    QFETCH(QString, selected);
    QFETCH(bool, selectedOnly);
    QFETCH(QString, fileName);
    QFETCH(QString, message);
    QFETCH(QByteArrayList, names);

    if (!selected.isEmpty())
        m.clickRow(selected);
    QString choice;
    bool choosable = false;
    whenDialog(u"TVCardExport"_s, [&](QWidget *dialog) {
        auto *only = child<QRadioButton>(*dialog, "rbSelectedContact");
        choice = only->text();
        choosable = only->isEnabled();
        only->setChecked(selectedOnly);
        child<QDialogButtonBox>(*dialog, "bbButtons")->button(QDialogButtonBox::Ok)->click();
    });
    const QString typed = m_files.filePath(fileName);
    FileDialogs::SetNextFileName(typed);
    trigger(*m.form, "ExportvCardFile1");

    QCOMPARE(choosable, !selected.isEmpty());
    QCOMPARE(choice, selected.isEmpty() ? u"&Selected contact"_s
                                        : u"&Selected contact ("_s + selected + u')');
    const QString written = typed.endsWith(u".vcf"_s) ? typed : typed + u".vcf"_s;
    QCOMPARE(m.boxes->count(), 1);
    QCOMPARE(m.boxes->last().text, message.arg(written));
    const QByteArray bytes = ReadFileBytes(written);
    if (names.isEmpty())
        QCOMPARE(bytes, "<missing>"_ba);
    else
        QCOMPARE(bytes.count("BEGIN:VCARD"), names.size());
    for (const QByteArray &name : std::as_const(names))
        QVERIFY2(bytes.contains(name + "\r\n"), name.constData());
}

QTEST_MAIN(TestVCardCommands)
#include "tst_vcardcommands.moc"
