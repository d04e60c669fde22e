#include "forms/main/actionimage.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {
QPixmap filled(const QColor &color, int size = 24)
{
    QPixmap pixmap(size, size);
    pixmap.fill(color);
    return pixmap;
}

QColor shownColor(const TActionImage &image)
{
    const QPixmap shown = image.ShownPicture();
    return shown.isNull() ? QColor() : shown.toImage().pixelColor(0, 0);
}

void enter(QWidget *w)
{
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(w, &event);
}

void leave(QWidget *w)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(w, &event);
}

void mouse(QWidget *w, QEvent::Type type, Qt::MouseButton button, QPoint pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button)
                                  : type == QEvent::MouseMove      ? Qt::MouseButtons(button)
                                                                   : Qt::NoButton;
    QMouseEvent event(type, pos, w->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

const QColor Rest(Qt::green);
const QColor Over(Qt::yellow);
const QColor Down(Qt::darkBlue);
} // namespace

class TestActionImage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TActionImage> makeImage(bool withOver = true, bool withDown = true)
    {
        auto image = std::make_unique<TActionImage>();
        if (withOver)
            image->SetFPictureOver(filled(Over));
        if (withDown)
            image->SetFPictureDown(filled(Down));
        image->SetFPictureNone(filled(Rest));
        return image;
    }

private slots:
    void startsAtRestSizedToItsPicture()
    {
        auto image = makeImage();
        QVERIFY(!image->Pressed());
        QVERIFY(!image->Hover());
        QCOMPARE(shownColor(*image), Rest);
        QCOMPARE(image->size(), QSize(24, 24));
        QCOMPARE(image->cursor().shape(), Qt::PointingHandCursor);
    }

    void hoverShowsTheHoverPictureUntilTheMouseLeaves()
    {
        auto image = makeImage();
        enter(image.get());
        QVERIFY(image->Hover());
        QCOMPARE(shownColor(*image), Over);
        leave(image.get());
        QVERIFY(!image->Hover());
        QCOMPARE(shownColor(*image), Rest);
    }

    void leftClickShowsPressedThenClicksOnReleaseOverIt()
    {
        auto image = makeImage();
        QSignalSpy clicks(image.get(), &TActionImage::clicked);
        enter(image.get());
        mouse(image.get(), QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 5));
        QVERIFY(image->Pressed());
        QCOMPARE(shownColor(*image), Down);
        QCOMPARE(clicks.count(), 0);

        // The pressed picture follows the pointer off and back on while the button is held.
        mouse(image.get(), QEvent::MouseMove, Qt::LeftButton, QPoint(60, 5));
        QCOMPARE(shownColor(*image), Rest);
        mouse(image.get(), QEvent::MouseMove, Qt::LeftButton, QPoint(6, 6));
        QCOMPARE(shownColor(*image), Down);

        mouse(image.get(), QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(6, 6));
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!image->Pressed());
        QCOMPARE(shownColor(*image), Over);
    }

    void releaseOutsideDoesNotClick()
    {
        auto image = makeImage();
        QSignalSpy clicks(image.get(), &TActionImage::clicked);
        enter(image.get());
        mouse(image.get(), QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 5));
        mouse(image.get(), QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(40, 40));
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!image->Pressed());
        QCOMPARE(shownColor(*image), Rest);
    }

    void rightButtonPressesButNeverClicks()
    {
        auto image = makeImage();
        QSignalSpy clicks(image.get(), &TActionImage::clicked);
        enter(image.get());
        mouse(image.get(), QEvent::MouseButtonPress, Qt::RightButton, QPoint(5, 5));
        QCOMPARE(shownColor(*image), Down);
        mouse(image.get(), QEvent::MouseButtonRelease, Qt::RightButton, QPoint(5, 5));
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(shownColor(*image), Over);
    }

    void missingPicturesFallBackToTheRestPicture()
    {
        auto image = makeImage(false, false);
        enter(image.get());
        QCOMPARE(shownColor(*image), Rest);
        mouse(image.get(), QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 5));
        QCOMPARE(shownColor(*image), Rest);
    }

    void newRestPictureIsShownAtOnce()
    {
        auto image = makeImage();
        image->SetFPictureNone(filled(Qt::red, 16));
        QCOMPARE(shownColor(*image), QColor(Qt::red));
        QCOMPARE(image->size(), QSize(16, 16));
    }

    void clickHandlerMayDestroyTheControl()
    {
        auto *image = makeImage().release();
        connect(image, &TActionImage::clicked, image, [image] { delete image; });
        enter(image);
        mouse(image, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 5));
        QPointer<TActionImage> watch(image);
        mouse(image, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(5, 5));
        QVERIFY(watch.isNull());
    }

    void artworkLoadsAllThreeStates()
    {
        TActionImage image;
        image.SetPicturesFromArtwork(QStringLiteral("abi_sendmail_none.svg"),
                                     QStringLiteral("abi_sendmail_over.svg"),
                                     QStringLiteral("abi_sendmail_down.svg"), 24);
        QVERIFY(!image.Picture_None().isNull());
        QVERIFY(!image.Picture_Over().isNull());
        QVERIFY(!image.Picture_Down().isNull());
        QCOMPARE(image.size(), QSize(24, 24));
        QVERIFY(image.Picture_None().toImage() != image.Picture_Over().toImage());
    }
};

QTEST_MAIN(TestActionImage)
#include "tst_actionimage.moc"
