#include "forms/dialogs/frmaddmodifycontact.h"
#include "forms/main/programfont.h"
#include "guitest.h"
#include "platform/calbreyerror.h"
#include "platform/shell.h"
#include "profiles/untprofiles.h"
#include "scriptedmessagebox.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

namespace {
// Control, key and the value a fully filled-in contact gets, in the order a contact is saved.
struct Field
{
    const char *control;
    const char *key;
    const char *value;
};
const Field textFields[] = {
    {"aContactName", "aContactName", "Zoe Quill"},
    {"aContactCat", "aContactCat", "Chess club"},
    {"pRealName", "pRealName", "Zoe A. Quill"},
    {"pNickName", "pNickName", "Q"},
    {"pEmailAddress", "pEmailAddress", "zoe@example.org"},
    {"pHomePage", "pHomePage", "http://zoe.example.org"},
    {"pMobileNumber", "pMobile", "+44 7700 900123"},
    {"pIcqNumber", "pIcq", "123456"},
    {"hCity", "hCitg", "Leeds"},
    {"hZipCode", "hZipCode", "LS1 4AP"},
    {"hCountry", "hCountry", "United Kingdom"},
    {"hState", "hState", "West Yorkshire"},
    {"hPhone", "hPhone", "0113 496 0000"},
    {"hExt", "hPhoneExt", "12"},
    {"hFax", "hFax", "0113 496 0001"},
    {"hPager", "hPager", "77"},
    {"hWebSite", "hWebSite", "https://home.example.org"},
    {"wCompany", "wCompany", "Quill & Sons"},
    {"wCity", "wCity", "York"},
    {"wZipCode", "wZipCode", "YO1 7HH"},
    {"wCountry", "wCountry", "Atlantis"},
    {"wState", "wState", "North Yorkshire"},
    {"wPhone", "wPhoneNumber", "01904 000000"},
    {"wExt", "wPhoneExt", "300"},
    {"wFax", "wFax", "01904 000001"},
    {"wPager", "wPager", "88"},
    {"wWebSite", "wWebSite", "quill.example.com"},
    {"hEmail", "hEmail", "zoe@home.example"},
    {"wEmail", "wEmail", "zoe@quill.example"},
};

void setText(const QWidget &dialog, const char *name, const QString &text)
{
    QWidget *control = child<QWidget>(dialog, name);
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->setText(text);
    else if (auto *combo = qobject_cast<QComboBox *>(control))
        combo->setEditText(text);
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(control))
        memo->setPlainText(text);
}

QString databasePath()
{
    return ActiveProfile->GetProfileInfo(0);
}

/// The key=value lines of one contact's section of book.db, in file order.
QStringList sectionLines(const QString &name)
{
    const QStringList lines =
        QString::fromUtf8(ReadFileBytes(databasePath())).split(QStringLiteral("\r\n"));
    QStringList result;
    bool inside = false;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('['))) {
            inside = line == QLatin1Char('[') + name + QLatin1Char(']');
            continue;
        }
        if (inside && !line.isEmpty())
            result.append(line);
    }
    return result;
}

void fillContact(const QWidget &dialog)
{
    for (const Field &field : textFields)
        setText(dialog, field.control, QString::fromUtf8(field.value));
    child<QComboBox>(dialog, "aContactIcon")->setCurrentIndex(7);
    setText(dialog, "mNotes", QStringLiteral("Met at the tournament.\n\nPlays the Sicilian."));
    setText(dialog, "hAddress", QStringLiteral("1 Park Row\nFlat 2"));
    setText(dialog, "wAddress", QStringLiteral("Quill House\nUnit 3\nRiverside"));
    setText(dialog, "pOtherAddresses", QStringLiteral("zq@old.example\nq@games.example"));
}

QStringList filledContactLines()
{
    QStringList lines;
    for (const Field &field : textFields)
        lines.append(QLatin1String(field.key) + QLatin1Char('=') + QString::fromUtf8(field.value));
    lines << QStringLiteral("aIcon=7")
          << QStringLiteral("aNotes=Met at the tournament.||Plays the Sicilian.")
          << QStringLiteral("hAddress=1 Park Row|Flat 2")
          << QStringLiteral("wAddress=Quill House|Unit 3|Riverside")
          << QStringLiteral("pOtherEmail=zq@old.example|q@games.example");
    return lines;
}

void showActive(QWidget &dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}
} // namespace

class TestAddModifyContact : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>(QStringLiteral("Editor"));
        QVERIFY(m_profile->activated());
        ActiveProfile->ValidateEmails = false;
        ActiveProfile->ValidateUrls = true;
        m_boxes = std::make_unique<ScriptedMessageBox>();
    }
    void cleanup()
    {
        m_boxes.reset();
        m_profile.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().cbegin(),
                             QApplication::topLevelWidgets().cend(),
                             [](QWidget *w) { return w->isVisible(); }));
    }

    void layoutAndCaptions()
    {
        TAddModifyUser dialog;
        dialog.PrepareForContact(false, QString());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Add Contact for Editor"));
        QCOMPARE(dialog.size(), QSize(495, 435));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        // The program's dialog font, down to the controls.
        for (const QWidget *widget :
             {static_cast<QWidget *>(&dialog), child<QWidget>(dialog, "aContactName"),
              child<QWidget>(dialog, "mNotes")}) {
            QCOMPARE(widget->font().family(), ProgramFontFamily());
            QCOMPARE(widget->font().pointSize(), 8);
        }

        auto *pages = child<QTabWidget>(dialog, "Pages");
        QCOMPARE(pages->count(), 4);
        const char *tabNames[] = {"tabPersonal", "tabHome", "tabWork", "tabNotes"};
        const QStringList tabTexts = {QStringLiteral("&Personal Details"), QStringLiteral("&Home"),
                                      QStringLiteral("&Work"), QStringLiteral("&Notes")};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(pages->widget(i)->objectName(), QLatin1String(tabNames[i]));
            QCOMPARE(pages->tabText(i), tabTexts.at(i));
        }
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("tabPersonal"));

        QStringList labels;
        for (const QLabel *label : dialog.findChildren<QLabel *>())
            labels.append(label->text());
        const QStringList expectedLabels = {"Contact Name: ",
                                            "Icon: ",
                                            "Contact Category: ",
                                            "Real Name: ",
                                            "Nick name: ",
                                            "E-Mail Address: ",
                                            "Home page: ",
                                            "Mobile number:",
                                            "ICQ Number: ",
                                            "City: ",
                                            "Zip Code: ",
                                            "Country: ",
                                            "State/Region: ",
                                            "Phone number: ",
                                            "Ext: ",
                                            "Fax number: ",
                                            "Pager: ",
                                            "Web site: ",
                                            "Company name: ",
                                            "Home e-mail: ",
                                            "Work e-mail: ",
                                            "Address: ",
                                            "Other Addresses:",
                                            "Add a new line for each new address.",
                                            "Note: Length must not exceed 2000 characters!"};
        for (const QString &text : expectedLabels)
            QVERIFY2(labels.contains(text), qPrintable(text));

        const std::pair<const char *, const char *> buttons[] = {
            {"Button1", "&OK"},    {"Button2", "&Cancel"}, {"btnNext1", "&Next"},
            {"btnNext2", "&Next"}, {"Button3", "&Next"},   {"btnBack1", "&Back"},
            {"btnBack2", "&Back"}, {"Button4", "&Back"}};
        for (const auto &[name, text] : buttons)
            QCOMPARE(child<QPushButton>(dialog, name)->text(), QLatin1String(text));
        QVERIFY(child<QPushButton>(dialog, "Button1")->isDefault());

        for (const char *name :
             {"sbMail1", "sbMail2", "sbMail3", "sbGlobe1", "sbGlobe2", "sbGlobe3", "ToolButton2",
              "ToolButton3", "ToolButton4", "ToolButton5", "ToolButton6", "ToolButton7"})
            QVERIFY2(!child<QToolButton>(dialog, name)->icon().isNull(), name);
        for (const Field &field : textFields)
            child<QWidget>(dialog, field.control);
    }

    void tabOrder()
    {
        TAddModifyUser dialog;
        const QStringList expected = {
            "Pages",        "pRealName",     "pNickName",  "pEmailAddress", "pOtherAddresses",
            "pHomePage",    "pMobileNumber", "pIcqNumber", "btnNext1",      "hAddress",
            "hCity",        "hZipCode",      "hCountry",   "hState",        "hPhone",
            "hExt",         "hFax",          "hPager",     "hWebSite",      "hEmail",
            "btnNext2",     "btnBack1",      "wCompany",   "wAddress",      "wCity",
            "wZipCode",     "wCountry",      "wState",     "wPhone",        "wExt",
            "wFax",         "wPager",        "wWebSite",   "wEmail",        "Button3",
            "btnBack2",     "mNotes",        "Button4",    "Button1",       "Button2",
            "aContactName", "aContactIcon",  "aContactCat"};
        QStringList chain;
        QWidget *start = child<QWidget>(dialog, "Pages");
        QWidget *widget = start;
        do {
            if (expected.contains(widget->objectName()))
                chain.append(widget->objectName());
            widget = widget->nextInFocusChain();
        } while (widget != start);
        QCOMPARE(chain, expected);
    }

    void addModeFocusAndExec()
    {
        TAddModifyUser dialog;
        dialog.PrepareForContact(false, QString());
        QTimer::singleShot(0, &dialog, [&dialog] {
            QTRY_VERIFY(child<QWidget>(dialog, "aContactName")->hasFocus());
            fillContact(dialog);
            child<QPushButton>(dialog, "Button1")->click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(sectionLines(QStringLiteral("Zoe Quill")), filledContactLines());
    }

    void followRule()
    {
        TAddModifyUser dialog;
        dialog.PrepareForContact(false, QString());
        auto *name = child<QLineEdit>(dialog, "aContactName");
        auto *realName = child<QLineEdit>(dialog, "pRealName");
        QString typed;
        for (const QChar c : QStringLiteral("Ann B")) {
            QTest::keyClick(name, c.toLatin1());
            typed += c;
            QCOMPARE(realName->text(), typed);
        }
        // Typing into the real name does not stop it following.
        realName->setText(QStringLiteral("Anne Bell"));
        QTest::keyClick(name, 'x');
        QCOMPARE(realName->text(), QStringLiteral("Ann Bx"));

        setText(dialog, "wCompany", QStringLiteral("Bell Ltd"));
        QTest::keyClick(name, 'y');
        QCOMPARE(realName->text(), QStringLiteral("Ann Bx"));
        // Once empty it picks the name up again, and follows from then on.
        realName->clear();
        QTest::keyClick(name, Qt::Key_Backspace);
        QCOMPARE(realName->text(), QStringLiteral("Ann Bx"));
        QTest::keyClick(name, 'z');
        QCOMPARE(realName->text(), QStringLiteral("Ann Bxz"));
    }

    void categoryAndCountryBoxes()
    {
        const std::pair<const char *, const char *> contacts[] = {
            {"A", "friend"}, {"B", "Clients"}, {"C", ""}, {"D", "clients"}, {"E", "FAMILY"}};
        for (const auto &[name, category] : contacts) {
            ActiveProfile->WriteField(QLatin1String(name), QStringLiteral("aContactName"),
                                      QLatin1String(name));
            ActiveProfile->WriteField(QLatin1String(name), QStringLiteral("aContactCat"),
                                      QLatin1String(category));
        }
        TAddModifyUser dialog;
        dialog.PrepareForContact(false, QString());
        auto *categories = child<QComboBox>(dialog, "aContactCat");
        QStringList items;
        for (int i = 0; i < categories->count(); ++i)
            items.append(categories->itemText(i));
        QCOMPARE(items, QStringList({"General", "Personal", "Business", "Family", "Friend",
                                     "Clients", "Uncategorized contacts"}));
        QVERIFY(categories->isEditable());
        QCOMPARE(categories->currentText(), QString());

        for (const char *name : {"hCountry", "wCountry"}) {
            auto *countries = child<QComboBox>(dialog, name);
            QVERIFY(countries->isEditable());
            QCOMPARE(countries->count(), 234);
            QCOMPARE(countries->itemText(0), QStringLiteral("Afghanistan"));
            QCOMPARE(countries->itemText(233), QStringLiteral("Zimbabwe"));
            QCOMPARE(countries->currentText(), QString());
        }
        auto *icons = child<QComboBox>(dialog, "aContactIcon");
        QCOMPARE(icons->count(), 25);
        QCOMPARE(icons->currentIndex(), 0);
        QCOMPARE(icons->itemData(24, Qt::UserRole).value<QImage>().size(), QSize(32, 32));
    }

    void okChecksInOrder()
    {
        ActiveProfile->WriteField(QStringLiteral("Bob Stone"), QStringLiteral("aContactName"),
                                  QStringLiteral("Bob Stone"));
        ActiveProfile->ValidateEmails = true;
        const QByteArray before = ReadFileBytes(databasePath());

        TAddModifyUser dialog;
        dialog.PrepareForContact(false, QString());
        showActive(dialog);
        auto *pages = child<QTabWidget>(dialog, "Pages");
        auto *ok = child<QPushButton>(dialog, "Button1");
        setText(dialog, "mNotes", QStringLiteral("a | b"));
        setText(dialog, "pEmailAddress", QStringLiteral("bob.example"));
        setText(dialog, "pHomePage", QStringLiteral("www.bob.example"));
        setText(dialog, "hWebSite", QStringLiteral("bob.example/home"));
        setText(dialog, "hCity", QStringLiteral("Kept"));

        struct Step
        {
            QString caption;
            QString text; // word for word; empty where the question is checked below
            int flags;
            const char *focus;
            std::function<void()> fix;
        };
        const QList<Step> steps = {
            {"Invalid notes data.",
             "Sorry but you cannot include the | charactor in the notes field.",
             MessageBoxFlag::Error, "mNotes",
             [&] {
                 setText(dialog, "mNotes", QStringLiteral("a / b"));
             }},
            {"Enter contact name.", "Please type in a contact name.", MessageBoxFlag::Error,
             "aContactName",
             [&] {
                 setText(dialog, "aContactName", QStringLiteral(" Bob stone"));
             }},
            {"Invalid contact name.",
             "A contact name cannot begin or end with blanks, nor hold the \"]\" character or a "
             "line break.  Please type in another name for the contact.",
             MessageBoxFlag::Error, "aContactName",
             [&] {
                 setText(dialog, "aContactName", QStringLiteral("bob STONE"));
             }},
            {"Contact already exists.",
             "This contact you are trying to add already exists.  Please type in a new name "
             "for the contact.",
             MessageBoxFlag::Information, "aContactName",
             [&] {
                 setText(dialog, "aContactName", QStringLiteral("Rob Stone"));
             }},
            {"Use e-mail address?", "", MessageBoxFlag::Question, nullptr,
             [&] {
                 m_boxes->answer(MessageBoxResult::Yes);
             }},
            {"Use given URL?", "", MessageBoxFlag::Question, nullptr,
             [&] {
                 m_boxes->answer(MessageBoxResult::Yes);
                 m_boxes->answer(MessageBoxResult::Yes);
             }},
            {"Use given URL?", "", MessageBoxFlag::Question, nullptr,
             [] {
             }},
        };
        for (const Step &step : steps) {
            pages->setCurrentIndex(1);
            m_boxes->clear();
            ok->click();
            QCOMPARE(m_boxes->captions().last(), step.caption);
            QCOMPARE(m_boxes->last().flags, step.flags);
            if (!step.text.isEmpty())
                QCOMPARE(m_boxes->last().text, step.text);
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(ReadFileBytes(databasePath()), before);
            if (step.focus)
                QTRY_VERIFY2(child<QWidget>(dialog, step.focus)->hasFocus(), step.focus);
            const bool notesStep = step.caption == QLatin1String("Invalid notes data.");
            QCOMPARE(pages->currentIndex(), notesStep ? 3 : 1);
            step.fix();
        }
        QCOMPARE(m_boxes->last().text,
                 QStringLiteral("It seems that the url you specified \"bob.example/home\" is not "
                                "valid.  Are you sure you want to use it?"));

        // The messages word for word, and the edits on other pages survive the refusals.
        for (int i = 0; i < 3; ++i)
            m_boxes->answer(MessageBoxResult::Yes);
        ok->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ActiveProfile->ReadField(QStringLiteral("Rob Stone"), QStringLiteral("hCitg")),
                 QStringLiteral("Kept"));
        QCOMPARE(ActiveProfile->ReadNotes(QStringLiteral("Rob Stone")), QStringLiteral("a / b"));
    }

    void modifyMode()
    {
        const QString name = QStringLiteral("Kim Ray");
        TProfile &profile = *ActiveProfile;
        for (const Field &field : textFields)
            profile.WriteField(name, QLatin1String(field.key),
                               QStringLiteral("old ") + QLatin1String(field.key));
        profile.WriteField(name, QStringLiteral("aContactName"), name);
        profile.WriteField(name, QStringLiteral("pRealName"), QStringLiteral("Kimberly Ray"));
        profile.WriteField(name, QStringLiteral("aContactCat"), QStringLiteral("Not listed"));
        profile.WriteField(name, QStringLiteral("aIcon"), QStringLiteral("0x10"));
        profile.WriteNotes(name, QStringLiteral("one\r\n\r\nthree"));
        profile.WriteMultiLineField(name, QStringLiteral("pOtherEmail"),
                                    QStringLiteral("a@x\r\nb@x\r\nc@x"));

        TAddModifyUser dialog;
        dialog.PrepareForContact(true, name);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Modify Contact \"Kim Ray\" for Editor"));
        QVERIFY(!child<QLineEdit>(dialog, "aContactName")->isEnabled());
        QCOMPARE(child<QLineEdit>(dialog, "aContactName")->text(), name);
        QCOMPARE(child<QLineEdit>(dialog, "pRealName")->text(), QStringLiteral("Kimberly Ray"));
        QCOMPARE(child<QLineEdit>(dialog, "hCity")->text(), QStringLiteral("old hCitg"));
        QCOMPARE(child<QComboBox>(dialog, "aContactCat")->currentText(),
                 QStringLiteral("Not listed"));
        QCOMPARE(child<QComboBox>(dialog, "wCountry")->currentText(),
                 QStringLiteral("old wCountry"));
        QCOMPARE(child<QComboBox>(dialog, "aContactIcon")->currentIndex(), 16);
        QCOMPARE(child<QPlainTextEdit>(dialog, "mNotes")->toPlainText(),
                 QStringLiteral("one\n\nthree"));
        QCOMPARE(child<QPlainTextEdit>(dialog, "pOtherAddresses")->toPlainText(),
                 QStringLiteral("a@x\nb@x\nc@x"));

        // URLs are checked on OK; the stored ones are not valid, so accept them.
        m_boxes->answer(MessageBoxResult::Yes);
        m_boxes->answer(MessageBoxResult::Yes);
        setText(dialog, "wFax", QStringLiteral("new fax"));
        child<QPushButton>(dialog, "Button1")->click();
        QCOMPARE(m_boxes->captions(), QStringList({"Use given URL?", "Use given URL?"}));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        QStringList expected;
        for (const Field &field : textFields)
            expected.append(QLatin1String(field.key) + QStringLiteral("=old ") +
                            QLatin1String(field.key));
        expected[0] = QStringLiteral("aContactName=Kim Ray");
        expected[1] = QStringLiteral("aContactCat=Not listed");
        expected[2] = QStringLiteral("pRealName=Kimberly Ray");
        expected[24] = QStringLiteral("wFax=new fax");
        // Keys already stored keep their places; the two addresses were missing and come last.
        expected << QStringLiteral("aIcon=16") << QStringLiteral("aNotes=one||three")
                 << QStringLiteral("pOtherEmail=a@x|b@x|c@x") << QStringLiteral("hAddress=")
                 << QStringLiteral("wAddress=");
        QCOMPARE(sectionLines(name), expected);
    }

    void iconOutsideRangeIsKept()
    {
        const QString name = QStringLiteral("Odd icon");
        ActiveProfile->WriteField(name, QStringLiteral("aContactName"), name);
        ActiveProfile->WriteIntField(name, QStringLiteral("aIcon"), 40);
        {
            TAddModifyUser dialog;
            dialog.PrepareForContact(true, name);
            QCOMPARE(child<QComboBox>(dialog, "aContactIcon")->currentIndex(), -1);
            child<QPushButton>(dialog, "Button1")->click();
            QCOMPARE(ActiveProfile->ReadIntField(name, QStringLiteral("aIcon")), 40);
        }
        TAddModifyUser dialog;
        dialog.PrepareForContact(true, name);
        child<QComboBox>(dialog, "aContactIcon")->setCurrentIndex(3);
        child<QPushButton>(dialog, "Button1")->click();
        QCOMPARE(ActiveProfile->ReadIntField(name, QStringLiteral("aIcon")), 3);
    }

    // A synced contact is paired with its card by the UID, and the card's other properties
    // live in their own key: saving the contact in the editor keeps both.
    void ownKeysSurviveAnEdit()
    {
        const QString name = QStringLiteral("Synced");
        ActiveProfile->WriteFields(
            name, {{QStringLiteral("aContactName"), name},
                   {QStringLiteral("xVCardExtra"), QStringLiteral("BDAY:1970-01-01")},
                   {QStringLiteral("xUID"), QStringLiteral("abc-1")}});
        TAddModifyUser dialog;
        dialog.PrepareForContact(true, name);
        setText(dialog, "wFax", QStringLiteral("new fax"));
        child<QPushButton>(dialog, "Button1")->click();
        QCOMPARE(ActiveProfile->ReadField(name, QStringLiteral("wFax")), QStringLiteral("new fax"));
        QCOMPARE(ActiveProfile->ReadField(name, QStringLiteral("xUID")), QStringLiteral("abc-1"));
        QCOMPARE(ActiveProfile->ReadField(name, QStringLiteral("xVCardExtra")),
                 QStringLiteral("BDAY:1970-01-01"));
    }

    void cancelLeavesFileUntouched()
    {
        ActiveProfile->WriteField(QStringLiteral("Ann"), QStringLiteral("aContactName"),
                                  QStringLiteral("Ann"));
        const QByteArray before = ReadFileBytes(databasePath());
        TAddModifyUser dialog;
        dialog.PrepareForContact(true, QStringLiteral("Ann"));
        QTimer::singleShot(0, &dialog, [&dialog] {
            fillContact(dialog);
            child<QPushButton>(dialog, "Button2")->click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(ReadFileBytes(databasePath()), before);
    }

    void pagingAndQuickButtons()
    {
        TAddModifyUser dialog;
        dialog.PrepareForContact(false, QString());
        auto *pages = child<QTabWidget>(dialog, "Pages");
        const std::pair<const char *, const char *> paging[] = {
            {"btnNext1", "tabHome"}, {"btnBack1", "tabPersonal"}, {"btnNext2", "tabWork"},
            {"btnBack2", "tabHome"}, {"Button3", "tabNotes"},     {"Button4", "tabWork"}};
        for (const auto &[button, page] : paging) {
            child<QPushButton>(dialog, button)->click();
            QCOMPARE(pages->currentWidget()->objectName(), QLatin1String(page));
        }

        struct Recorder : ShellLauncher
        {
            bool openDocument(const QString &target, const LateLaunchFailure &) override
            {
                opened.append(target);
                return true;
            }
            bool startProgram(const QString &, const QStringList &) override { return false; }
            QStringList opened;
        } recorder;
        ShellLauncher *previous = SetShellLauncher(&recorder);
        const std::pair<const char *, const char *> quick[] = {
            {"sbMail1", "pEmailAddress"}, {"sbMail2", "hEmail"},    {"sbMail3", "wEmail"},
            {"sbGlobe1", "pHomePage"},    {"sbGlobe2", "hWebSite"}, {"sbGlobe3", "wWebSite"}};
        for (const auto &[button, field] : quick) {
            setText(dialog, field, QLatin1String(field) + QStringLiteral(" text"));
            child<QToolButton>(dialog, button)->click();
        }
        setText(dialog, "hEmail", QString());
        child<QToolButton>(dialog, "sbMail2")->click();
        SetShellLauncher(previous);
        QCOMPARE(recorder.opened, QStringList({"mailto:pEmailAddress text", "mailto:hEmail text",
                                               "mailto:wEmail text", "pHomePage text",
                                               "hWebSite text", "wWebSite text", "mailto:"}));
    }

    // Set CALBREY_EDITOR_SHOTS to a folder to get a picture of each page of a filled-in contact.
    void pagePictures()
    {
        TAddModifyUser dialog;
        dialog.PrepareForContact(false, QString());
        fillContact(dialog);
        showActive(dialog);
        const QString folder = qEnvironmentVariable("CALBREY_EDITOR_SHOTS");
        auto *pages = child<QTabWidget>(dialog, "Pages");
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            const QPixmap picture = dialog.grab();
            QCOMPARE(picture.size(), QSize(495, 435));
            if (!folder.isEmpty())
                QVERIFY(picture.save(folder + QStringLiteral("/editor-") +
                                     pages->widget(i)->objectName() + QStringLiteral(".png")));
        }
    }

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
};

QTEST_MAIN(TestAddModifyContact)
#include "tst_frmaddmodifycontact.moc"
