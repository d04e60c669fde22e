#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"

#include "app/untactive.h"
#include "app/untcommon.h"
#include "profiles/untprofiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QString welcomeText(const QString &name)
{
    return QStringLiteral("Welcome to Quenlark Calbrey.  A new profile (by the name of \"") + name +
           QStringLiteral("\") will be created for you.  Your profile will store your address "
                          "book and configuration options.");
}

// ActivateProfile leaves the profile to the program; each test closes it.
struct ActiveProfileReset
{
    ~ActiveProfileReset()
    {
        delete ActiveProfile;
        ActiveProfile = nullptr;
    }
};

} // namespace

class TestActivation : public QObject
{
    Q_OBJECT

private slots:
    void newProfileIsWelcomedAndCreated();
    void existingProfileOpensSilently();
    void switchingSavesTheOldProfileFirst();
    void failedCreationLeavesNoProfile();
    void climbingNameTouchesNothingOutside();
    void failedSwitchReopensThePreviousProfile();
    void startupProfileIsTheLoginName();
};

void TestActivation::newProfileIsWelcomedAndCreated()
{
    TempProgramFolder program;
    ActiveProfileReset reset;
    ScriptedMessageBox boxes;
    QVERIFY(ActivateProfile(QStringLiteral("Kari")));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().caption, QStringLiteral("Welcome to Quenlark Address Book."));
    QCOMPARE(boxes.last().text, welcomeText(QStringLiteral("Kari")));
    QCOMPARE(boxes.last().flags, 64);
    QVERIFY(ActiveProfile);
    QCOMPARE(ActiveProfile->GetProfileInfo(2), QStringLiteral("Kari"));
    QVERIFY(QFileInfo::exists(program.profiles() + QStringLiteral("Kari/book.db")));
    // A blank profile has every default.
    QVERIFY(ActiveProfile->ValidateUrls);
    QVERIFY(!ActiveProfile->ValidateEmails);
    QVERIFY(!ActiveProfile->LoadOnStartup);
}

void TestActivation::existingProfileOpensSilently()
{
    TempProgramFolder program;
    ActiveProfileReset reset;
    ScriptedMessageBox boxes;
    QVERIFY(CreateProfile(QStringLiteral("Work")));
    QVERIFY(ActivateProfile(QStringLiteral("Work")));
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(ActiveProfile->GetProfileInfo(2), QStringLiteral("Work"));
}

void TestActivation::switchingSavesTheOldProfileFirst()
{
    TempProgramFolder program;
    ActiveProfileReset reset;
    ScriptedMessageBox boxes;
    QVERIFY(ActivateProfile(QStringLiteral("First")));
    ActiveProfile->DisplaySearchBar = true;
    QVERIFY(ActivateProfile(QStringLiteral("Second")));
    QCOMPARE(ActiveProfile->GetProfileInfo(2), QStringLiteral("Second"));
    QVERIFY(!ActiveProfile->DisplaySearchBar);
    QVERIFY(ActivateProfile(QStringLiteral("First")));
    QVERIFY(ActiveProfile->DisplaySearchBar);
}

void TestActivation::failedCreationLeavesNoProfile()
{
    TempProgramFolder program;
    ActiveProfileReset reset;
    ScriptedMessageBox boxes;
    QVERIFY(ActivateProfile(QStringLiteral("Before")));
    QVERIFY(QDir(program.profiles()).removeRecursively()); // no Profiles folder any more
    boxes.clear();
    QVERIFY(!ActivateProfile(QStringLiteral("After")));
    QVERIFY(!ActiveProfile);
    // The old profile could not save either; then the welcome and the reason.
    QCOMPARE(boxes.captions(), (QStringList{boxes.shown.value(0).caption,
                                            QStringLiteral("Welcome to Quenlark Address Book."),
                                            QStringLiteral("Cannot create profile.")}));
    QVERIFY(boxes.shown.value(0).text.startsWith(QStringLiteral("Unable to write to ")));
    QVERIFY(boxes.last().text.contains(QStringLiteral("failed to create the profile directory")));
}

void TestActivation::climbingNameTouchesNothingOutside()
{
    TempProgramFolder program;
    ActiveProfileReset reset;
    ScriptedMessageBox boxes;
    QVERIFY(QDir(program.path()).mkdir(QStringLiteral("Elsewhere")));
    QVERIFY(!ActivateProfile(QStringLiteral("../Elsewhere")));
    QVERIFY(!ActiveProfile);
    QCOMPARE(boxes.last().caption, QStringLiteral("Cannot create profile."));
    QVERIFY(QDir(program.path() + QStringLiteral("Elsewhere")).isEmpty());
}

void TestActivation::failedSwitchReopensThePreviousProfile()
{
    TempProgramFolder program;
    ActiveProfileReset reset;
    ScriptedMessageBox boxes;
    QVERIFY(ActivateProfile(QStringLiteral("Before")));
    ActiveProfile->FullDisplay = true; // saved as it closes, read as it opens again
    // A folder of the profiles folder that no profile can be opened from.
    QVERIFY(QDir(program.profiles()).mkdir(QStringLiteral("...")));
    QVERIFY(!ChangeActiveProfile(QStringLiteral("...")));
    QVERIFY(ActiveProfile);
    QCOMPARE(ActiveProfile->GetProfileInfo(2), QStringLiteral("Before"));
    QVERIFY(ActiveProfile->FullDisplay);
    QVERIFY(ChangeActiveProfile(QStringLiteral("After")));
    QCOMPARE(ActiveProfile->GetProfileInfo(2), QStringLiteral("After"));
}

void TestActivation::startupProfileIsTheLoginName()
{
    TempProgramFolder program;
    ActiveProfileReset reset;
    ScriptedMessageBox boxes;
    const QString user = GetWindowsUserName();
    QVERIFY(OpenStartupProfile());
    QCOMPARE(ActiveProfile->GetProfileInfo(2), user);
    QCOMPARE(boxes.last().text, welcomeText(user));
    // The second start finds it.
    boxes.clear();
    QVERIFY(OpenStartupProfile());
    QCOMPARE(boxes.count(), 0);
}

QTEST_GUILESS_MAIN(TestActivation)
#include "tst_untactive.moc"
