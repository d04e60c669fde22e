// The profile manager with its new-profile dialog, and the main window's backup, restore and
// change-profile commands.
#include "forms/common/filedialogs.h"
#include "forms/dialogs/frmchangeprofile.h"
#include "forms/main/frmmainform.h"

#include "guitest.h"
#include "testfiles.h"
#include "testprofile.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

QStringList rows(const QListWidget *list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names.append(list->item(row)->text());
    return names;
}

QString selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

} // namespace

class TestProfileCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<ScriptedMessageBox> m_boxes;
    std::unique_ptr<TChangeProfile> m_manager;
    int m_cleared = 0;

    QListWidget *list() const { return child<QListWidget>(*m_manager, "lbProfileList"); }
    void select(const QString &name)
    {
        const int row = rows(list()).indexOf(name);
        QVERIFY2(row >= 0, qPrintable(name));
        list()->setCurrentRow(row);
    }
    void verifyLastBox(const QString &caption, const QString &text, int flags = 64)
    {
        QVERIFY(m_boxes->count() > 0);
        QCOMPARE(m_boxes->last().caption, caption);
        QCOMPARE(m_boxes->last().text, text);
        QCOMPARE(m_boxes->last().flags, flags);
    }
    void openManager()
    {
        m_manager = std::make_unique<TChangeProfile>(nullptr, [this] { ++m_cleared; });
        m_manager->show();
    }

private slots:
    void init()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_boxes = std::make_unique<ScriptedMessageBox>();
        for (const QString &name : {u"(Default)"_s, u"Kari"_s, u"Tester"_s})
            QVERIFY(CreateProfile(name));
        m_cleared = 0;
        openManager();
    }
    void cleanup()
    {
        m_manager.reset();
        m_boxes.reset();
        m_profile.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void activationRules()
    {
        QCOMPARE(child<QLabel>(*m_manager, "lbActiveProfile")->text(), u"tester"_s);
        QCOMPARE(rows(list()), (QStringList{u"(Default)"_s, u"Kari"_s, u"Tester"_s, u"tester"_s}));
        m_manager->Button3Click();
        verifyLastBox(u"Select profile."_s, u"Please select a profile first."_s);
        // A double-click below the last row, nothing selected.
        QWidget *viewport = list()->viewport();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 5));
        QCOMPARE(m_boxes->count(), 2);
        verifyLastBox(u"Select profile."_s, u"Please select a profile first."_s);

        select(u"tester"_s);
        m_manager->Button3Click();
        verifyLastBox(u"Profile already active."_s,
                      u"This profile is already active.  Please select another profile to "
                      u"activate and try again.!"_s);
        QCOMPARE(m_cleared, 0);
        QCOMPARE(m_manager->result(), int(QDialog::Rejected));

        // Letter case makes another profile.
        select(u"Tester"_s);
        m_manager->Button3Click();
        QCOMPARE(m_cleared, 1);
        QCOMPARE(m_manager->result(), int(QDialog::Accepted));
        QCOMPARE(ActiveProfile->GetProfileInfo(2), u"Tester"_s);
    }

    void failedActivationReopensThePreviousProfile()
    {
        // Listed, but no profile can be opened from a folder of that name.
        QVERIFY(QDir(m_profile->folder().profiles()).mkdir(u"..."_s));
        m_manager = nullptr;
        openManager();
        select(u"..."_s);
        m_boxes->clear();
        m_manager->Button3Click();
        QCOMPARE(m_boxes->captions(), (QStringList{u"Welcome to Quenlark Address Book."_s,
                                                   u"Cannot create profile."_s, u"Problems."_s}));
        verifyLastBox(u"Problems."_s, u"Quenlark Calbrey has problems changing the active "
                                      u"profile.  It is reccormended that you restart Quenlark "
                                      u"Calbrey."_s);
        QVERIFY(ActiveProfile);
        QCOMPARE(ActiveProfile->GetProfileInfo(2), u"tester"_s);
        QCOMPARE(m_manager->result(), int(QDialog::Rejected));
    }

    void newProfileRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("caption"); // of the one message, or empty for none
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("listed");
        const QStringList before{u"(Default)"_s, u"Kari"_s, u"Tester"_s, u"tester"_s};
        const QString exists = u"Profile already exists."_s;
        QTest::newRow("new name: created and chosen, not activated")
            << u"Work"_s << QString() << u"Work"_s << (before + QStringList{u"Work"_s});
        QTest::newRow("existing name in other letter case: its row chosen")
            << u"KARI"_s << exists << u"Kari"_s << before;
        QTest::newRow("empty name") << QString() << exists << QString() << before;
        QTest::newRow("name no folder can have")
            << u"a/b"_s << u"Cannot create profile."_s << QString() << before;
    }

    void newProfileRules()
    {
        QFETCH(QString, typed);
        QFETCH(QString, caption);
        QFETCH(QString, selected);
        QFETCH(QStringList, listed);
        whenModal([typed](QWidget *dialog) {
            child<QLineEdit>(*dialog, "ebNewProfileName")->setText(typed);
            child<QPushButton>(*dialog, "Button1")->click();
        });
        m_manager->Button1Click();
        QCOMPARE(m_boxes->captions(), caption.isEmpty() ? QStringList() : QStringList{caption});
        if (caption == u"Profile already exists."_s)
            QCOMPARE(
                m_boxes->last().text,
                u"The profile name you specified already exists, so it will not be created."_s);
        QCOMPARE(selectedRow(list()), selected);
        QCOMPARE(rows(list()), listed);
        QCOMPARE(ActiveProfile->GetProfileInfo(2), u"tester"_s);
    }

    void deleteRules_data()
    {
        QTest::addColumn<QString>("selected"); // empty: no row
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("deleted");
        const QString refused = u"Cannot delete this profile."_s;
        const QString refusal = u"You cannot delete the Active or the (Default) profile."_s;
        const QString ask = u"Delete Profile?"_s;
        QTest::newRow("no row") << QString() << 0 << u"Select profile."_s
                                << u"Please select a profile to delete."_s << false;
        QTest::newRow("the active profile") << u"tester"_s << 0 << refused << refusal << false;
        QTest::newRow("(Default), not active")
            << u"(Default)"_s << 0 << refused << refusal << false;
        QTest::newRow("the active name in other letter case")
            << u"Tester"_s << MessageBoxResult::Yes << ask
            << u"Are you sure you want to delete the profile \"Tester\" from your Address Book?"_s
            << true;
        QTest::newRow("answered No") << u"Kari"_s << MessageBoxResult::No << ask
                                     << u"Are you sure you want to delete the profile \"Kari\" "
                                        u"from your Address Book?"_s
                                     << false;
    }

    void deleteRules()
    {
        QFETCH(QString, selected);
        QFETCH(int, answer);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QFETCH(bool, deleted);
        if (!selected.isEmpty())
            select(selected);
        const QStringList before = rows(list());
        m_boxes->answer(answer);
        m_manager->Button2Click();
        QCOMPARE(m_boxes->count(), 1);
        verifyLastBox(caption, text, caption == u"Delete Profile?"_s ? 36 : 64);
        if (deleted)
            QVERIFY(!rows(list()).contains(selected) && !ProfileExists(selected));
        else
            QCOMPARE(rows(list()), before);
    }

    // --- the main window's commands --------------------------------------------------------

    void backupAndRestoreThroughTheWindow()
    {
        m_manager.reset();
        m_profile->fill({{u"Ann"_s, {{u"aContactName"_s, u"Ann"_s}}}});
        ActiveProfile->DisplaySearchBar = true;
        ActiveProfile->SaveSettings();
        TMainForm form;
        const QString named = m_profile->folder().path() + u"saved"_s;
        FileDialogs::SetNextFileName(named); // the default extension is added
        trigger(form, "actBacupProfile");
        QCOMPARE(m_boxes->count(), 0);
        QVERIFY(ReadFileBytes(named + u".qcbak"_s).startsWith("Quenlark Calbrey Profile Backup"));

        m_profile->fill({{u"Bob"_s, {{u"aContactName"_s, u"Bob"_s}}}});
        ActiveProfile->DisplaySearchBar = false;
        ActiveProfile->SaveSettings();
        form.ApplyProfileToWindow();
        QWidget *searchBar = child<QWidget>(form, "panelSearch");
        QVERIFY(searchBar->isHidden());

        // Cancelled, then answered No: nothing restored, the list read again all the same.
        FileDialogs::SetNextFileName(QString());
        trigger(form, "actRestoreProfile");
        QCOMPARE(form.ListedContacts(), QStringList{u"Bob"_s});
        FileDialogs::SetNextFileName(named + u".qcbak"_s);
        m_boxes->answer(MessageBoxResult::No);
        trigger(form, "actRestoreProfile");
        verifyLastBox(u"Restore backup?"_s,
                      u"Are you 100% sure you want to restore this file?  Doing so will "
                      u"overwrite your existing address book."_s,
                      36);
        QCOMPARE(form.ListedContacts(), QStringList{u"Bob"_s});

        FileDialogs::SetNextFileName(named + u".qcbak"_s);
        m_boxes->answer(MessageBoxResult::Yes);
        trigger(form, "actRestoreProfile");
        QCOMPARE(m_boxes->count(), 2);
        QCOMPARE(form.ListedContacts(), QStringList{u"Ann"_s});
        QVERIFY(!searchBar->isHidden());
    }

    void failedBackupIsReported()
    {
        m_manager.reset();
        TMainForm form;
        const QString target = m_profile->folder().path() + u"gone/saved.qcbak"_s;
        FileDialogs::SetNextFileName(target);
        trigger(form, "actBacupProfile");
        verifyLastBox(u"Cannot create backup."_s, u"Unable to write to "_s + target, 16);
    }

    void managerClosedAnyWayAppliesTheProfile()
    {
        m_manager.reset();
        TMainForm form;
        m_profile->fill({{u"Ann"_s, {{u"aContactName"_s, u"Ann"_s}}}});
        whenModal([](QWidget *manager) { QTest::keyClick(manager, Qt::Key_Escape); });
        trigger(form, "actChangeProfile");
        QCOMPARE(form.ListedContacts(), QStringList{u"Ann"_s});

        whenModal([](QWidget *manager) {
            auto *profiles = child<QListWidget>(*manager, "lbProfileList");
            profiles->setCurrentItem(profiles->findItems(u"Kari"_s, Qt::MatchExactly).value(0));
            child<QPushButton>(*manager, "Button3")->click();
        });
        trigger(form, "actChangeProfile");
        QCOMPARE(ActiveProfile->GetProfileInfo(2), u"Kari"_s);
        QCOMPARE(form.windowTitle(), u"Quenlark Calbrey, as Kari"_s);
        QCOMPARE(form.ListedContacts(), QStringList());
    }
};

QTEST_MAIN(TestProfileCommands)
#include "tst_profilecommands.moc"
