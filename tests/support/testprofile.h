#pragma once

#include "app/untactive.h"
#include "profiles/untprofiles.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"

#include <QList>
#include <QSaveFile>
#include <QTest>
#include <memory>
#include <utility>

/// One contact of a test's book: its section name and its key lines, stored as given.
struct TestContact
{
    QString name;
    QList<std::pair<QString, QString>> fields = {};
};

/// A fresh program folder with an active profile (made with the welcome box answered), for
/// one test or one suite. The profile is closed when it goes.
class TestProfile
{
public:
    explicit TestProfile(const QString &name = QStringLiteral("tester"))
    {
        ScriptedMessageBox welcome;
        m_activated = ActivateProfile(name) && ActiveProfile;
    }
    ~TestProfile()
    {
        delete ActiveProfile;
        ActiveProfile = nullptr;
    }
    TestProfile(const TestProfile &) = delete;
    TestProfile &operator=(const TestProfile &) = delete;

    /// False when the profile could not be opened; check it with QVERIFY.
    bool activated() const { return m_activated; }
    TProfile &profile() const { return *ActiveProfile; }
    const TempProgramFolder &folder() const { return m_folder; }
    QString databasePath() const { return ActiveProfile->GetProfileInfo(0); }
    QString settingsPath() const { return ActiveProfile->GetProfileInfo(1); }

    /// Replaces book.db with these contacts, in order (as another program saving it would, so
    /// the profile sees the new file at once).
    void fill(const QList<TestContact> &contacts) const
    {
        QString text = QStringLiteral("; Quenlark Calbrey Database Holder.\r\n");
        for (const TestContact &contact : contacts) {
            text += QLatin1Char('[') + contact.name + QStringLiteral("]\r\n");
            for (const auto &[key, value] : contact.fields)
                text += key + QLatin1Char('=') + value + QStringLiteral("\r\n");
        }
        QSaveFile file(databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        QVERIFY(file.commit());
    }

private:
    TempProgramFolder m_folder;
    bool m_activated = false;
};
