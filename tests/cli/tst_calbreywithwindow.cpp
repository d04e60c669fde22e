// The window and calbrey on the same profile at once: neither undoes the other's change.
#include "../forms/mainwindowfixture.h"
#include "calbreyrun.h"
#include "testfiles.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCalbreyWithWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m.profile = std::make_unique<TestProfile>(u"tester"_s);
        QVERIFY(m.profile->activated());
        m.profile->fill(
            {{u"Ann Lee"_s, {{u"aContactName"_s, u"Ann Lee"_s}, {u"pMobile"_s, u"555"_s}}}});
        m.open();
    }
    void cleanup()
    {
        m.close();
        m.profile.reset();
    }

    void windowSavesAfterCalbreyAdded()
    {
        // The editor is open on the book as the window read it when calbrey adds a contact;
        // the editor then saves another.
        bool added = false;
        whenModalOf("TAddModifyUser", [&](QWidget &editor) {
            const CalbreyResult result =
                calbrey({u"add"_s, u"From Terminal"_s, u"email=t@x.org"_s});
            added = result.status == 0;
            child<QLineEdit>(editor, "aContactName")->setText(u"From Window"_s);
            child<QPushButton>(editor, "Button1")->click();
        });
        trigger(*m.form, "actNewContact");
        QVERIFY(added);
        QStringList names;
        ActiveProfile->GetContactNames(names);
        QCOMPARE(names, (QStringList{u"Ann Lee"_s, u"From Terminal"_s, u"From Window"_s}));
        QCOMPARE(ActiveProfile->ReadField(u"From Terminal"_s, u"pEmailAddress"_s), u"t@x.org"_s);
        // The window's list shows both once it is filled again, as after the editor.
        QCOMPARE(m.form->ListedContacts(), names);
    }

    void windowModifiesWhileCalbreyEditsAnother()
    {
        m.profile->fill({{u"Ann Lee"_s, {{u"aContactName"_s, u"Ann Lee"_s}}},
                         {u"Bob Smith"_s, {{u"aContactName"_s, u"Bob Smith"_s}}}});
        m.form->ReloadContactList(false);
        m.clickRow(u"Ann Lee"_s);
        whenModalOf("TAddModifyUser", [&](QWidget &editor) {
            QCOMPARE(calbrey({u"edit"_s, u"Bob Smith"_s, u"mobile=777"_s}).status, 0);
            child<QLineEdit>(editor, "pEmailAddress")->setText(u"ann@x.org"_s);
            child<QPushButton>(editor, "Button1")->click();
        });
        trigger(*m.form, "actModifyContact");
        QCOMPARE(ActiveProfile->ReadField(u"Ann Lee"_s, u"pEmailAddress"_s), u"ann@x.org"_s);
        QCOMPARE(ActiveProfile->ReadField(u"Bob Smith"_s, u"pMobile"_s), u"777"_s);
        // And calbrey sees what the window saved.
        const CalbreyResult listed = calbrey({u"list"_s, u"--parsable"_s});
        QCOMPARE(listed.lines(), (QStringList{u"Ann Lee\tann@x.org\t"_s, u"Bob Smith\t\t"_s}));
    }

private:
    CalbreyResult calbrey(const QStringList &arguments) const
    {
        return RunCalbrey(m.profile->folder().path(),
                          QStringList{u"--profile"_s, u"tester"_s} + arguments);
    }

    MainWindowFixture m;
};

QTEST_MAIN(TestCalbreyWithWindow)
#include "tst_calbreywithwindow.moc"
