#include "app/untcommon.h"

#include "platform/calbreyerror.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

qreal ScreenPixelRatio()
{
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QImage RenderSvgPicture(const QString &path, QSize size, qreal devicePixelRatio)
{
    if (!QFile::exists(path))
        return QImage();
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return QImage();
    if (size.isEmpty())
        size = renderer.defaultSize();
    if (size.isEmpty() || devicePixelRatio <= 0)
        return QImage();
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

// The pictures were drawn with the colour of their bottom-right pixel as background.
void MakeBitmapTransparent(QImage &image)
{
    if (image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(image.width() - 1, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
}

namespace {
QImage loadBitmap(const QString &resourceName, QSize size, qreal devicePixelRatio)
{
    QImage image = RenderSvgPicture(QStringLiteral(":/bitmaps/") + resourceName.toLower() +
                                        QStringLiteral(".svg"),
                                    size, devicePixelRatio);
    MakeBitmapTransparent(image);
    return image;
}
} // namespace

void LoadUserIconList(QList<QImage> &list)
{
    list.clear();
    for (int n = 0; n < UserIconCount; ++n)
        list.append(LoadUserIcon(n));
}

QImage LoadUserIcon(int n, int side, qreal devicePixelRatio)
{
    if (n < 0 || n >= UserIconCount || side <= 0)
        return QImage();
    return loadBitmap(QStringLiteral("resUserIcon") + QString::number(n + 1), QSize(side, side),
                      devicePixelRatio);
}

void LoadResourceBitmap(const QString &resourceName, QImage &bitmap)
{
    QImage loaded = loadBitmap(resourceName, QSize(), 1.0);
    if (loaded.isNull())
        throw CalbreyError(QStringLiteral("Resource ") + resourceName +
                           QStringLiteral(" not found"));
    bitmap = std::move(loaded);
}
