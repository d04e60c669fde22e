#include "forms/dialogs/frmaboutbox.h"
#include "forms/main/quenlarkurl.h"

#include "guitest.h"
#include "recordinglauncher.h"
#include "testprofile.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
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
    std::unique_ptr<TestProfile> m_profile;
    std::unique_ptr<RecordingLauncher> m_launcher;

private slots:
    void initTestCase()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        m_launcher = std::make_unique<RecordingLauncher>();
    }
    void cleanupTestCase()
    {
        m_launcher.reset();
        m_profile.reset();
    }

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
        m_launcher->clear();
        QTest::mouseClick(child<TQuenlarkURL>(box, "urlWebSite"), Qt::LeftButton);
        QTest::mouseClick(child<TQuenlarkURL>(box, "urlEmail"), Qt::LeftButton);
        QCOMPARE(m_launcher->documents,
                 (QStringList{TAboutBox::WebSiteAddress,
                              QStringLiteral("mailto:") + TAboutBox::EmailAddress}));
    }

    void closeButtonEndsTheModalLoop()
    {
        TAboutBox box;
        QTimer::singleShot(0, &box, [&box] {
            QTest::mouseClick(child<QPushButton>(box, "btnClose"), Qt::LeftButton);
        });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
