#include "forms/main/quenlarkurl.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {
void enter(QWidget *w)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(w, &event);
}

void leave(QWidget *w)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(w, &event);
}

void button(QWidget *w, QEvent::Type type, QPoint pos)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

void drag(QWidget *w, QPoint pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);
const QColor Purple(128, 0, 128);
} // namespace

class TestQuenlarkURL : public QObject
{
    Q_OBJECT

private slots:
    void looksLikeALink()
    {
        TQuenlarkURL link(QStringLiteral("Send mail now"));
        QCOMPARE(link.TextColor(), Blue);
        QVERIFY(link.font().underline());
        QCOMPARE(link.font().pointSize(), 8);
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link.text(), QStringLiteral("Send mail now"));
    }

    void colourFollowsHoverAndPress()
    {
        TQuenlarkURL link(QStringLiteral("Web Site"));
        link.resize(80, 16);
        QSignalSpy clicks(&link, &TQuenlarkURL::clicked);

        enter(&link);
        QCOMPARE(link.TextColor(), Red);
        button(&link, QEvent::MouseButtonPress, QPoint(3, 3));
        QCOMPARE(link.TextColor(), Purple);
        // Dragged off while held: blue, as at rest; back on: purple again.
        drag(&link, QPoint(200, 3));
        QCOMPARE(link.TextColor(), Blue);
        drag(&link, QPoint(4, 4));
        QCOMPARE(link.TextColor(), Purple);
        button(&link, QEvent::MouseButtonRelease, QPoint(4, 4));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(link.TextColor(), Red);
        leave(&link);
        QCOMPARE(link.TextColor(), Blue);
    }

    void releaseOffTheLabelDoesNotClick()
    {
        TQuenlarkURL link(QStringLiteral("Web Site"));
        link.resize(80, 16);
        QSignalSpy clicks(&link, &TQuenlarkURL::clicked);
        enter(&link);
        button(&link, QEvent::MouseButtonPress, QPoint(3, 3));
        button(&link, QEvent::MouseButtonRelease, QPoint(300, 3));
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!link.Pressed());
    }

    void designedColourGivesWayToBlue()
    {
        TQuenlarkURL link(QStringLiteral("See examples"));
        QPalette green = link.palette();
        green.setColor(QPalette::WindowText, Qt::darkGreen);
        link.setPalette(green);
        QCOMPARE(link.TextColor(), QColor(Qt::darkGreen));
        enter(&link);
        leave(&link);
        QCOMPARE(link.TextColor(), Blue);
    }
};

QTEST_MAIN(TestQuenlarkURL)
#include "tst_quenlarkurl.moc"
