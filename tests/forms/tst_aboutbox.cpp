#include "forms/dialogs/frmaboutbox.h"
#include "forms/main/quenlarkurl.h"

#include "app/untactive.h"
#include "platform/shell.h"
#include "scriptedmessagebox.h"
#include "tempprogramfolder.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
class RecordingLauncher : public ShellLauncher
{
public:
    QStringList opened;
    bool openDocument(const QString &target) override
    {
        opened.append(target);
        return true;
    }
    bool startProgram(const QString &, const QStringList &) override { return true; }
};

QStringList labelTexts(const QWidget &box)
{
    QStringList texts;
    for (const QLabel *label : box.findChildren<QLabel *>())
        texts.append(label->text());
    return texts;
}
} // namespace

class TestAboutBox : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    RecordingLauncher m_launcher;
    ShellLauncher *m_previous = nullptr;

private slots:
    void initTestCase()
    {
        m_folder = std::make_unique<TempProgramFolder>();
        ScriptedMessageBox welcome;
        QVERIFY(ActivateProfile(QStringLiteral("reader")));
        m_previous = SetShellLauncher(&m_launcher);
    }

    void cleanupTestCase() { SetShellLauncher(m_previous); }

    void showsNameVersionAndLinks()
    {
        TAboutBox box;
        const QStringList texts = labelTexts(box);
        QVERIFY(texts.contains(QStringLiteral("Quenlark Calbrey")));
        QVERIFY(texts.contains(QStringLiteral("Beta 5")));
        QCOMPARE(box.findChildren<TQuenlarkURL *>().size(), 2);
        QVERIFY(box.isModal());
    }

    void linksOpenTheMakersPageAndMail()
    {
        TAboutBox box;
        box.show();
        m_launcher.opened.clear();
        QTest::mouseClick(box.findChild<TQuenlarkURL *>("urlWebSite"), Qt::LeftButton);
        QTest::mouseClick(box.findChild<TQuenlarkURL *>("urlEmail"), Qt::LeftButton);
        QCOMPARE(m_launcher.opened,
                 (QStringList{TAboutBox::WebSiteAddress,
                              QStringLiteral("mailto:") + TAboutBox::EmailAddress}));
    }

    void closeButtonEndsTheModalLoop()
    {
        TAboutBox box;
        QTimer::singleShot(0, &box, [&box] {
            QTest::mouseClick(box.findChild<QPushButton *>("btnClose"), Qt::LeftButton);
        });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
