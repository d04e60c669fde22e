#include "forms/main/artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace {
const char *const PictureNames[Artwork::MenuCount] = {
    "newcontact",   "modifycontact", "deletecontact", "searchbar",
    "createreport", "trayicon",      "helptopics",
};

QString listFile(const char *prefix, int index)
{
    return QLatin1String(prefix) + QLatin1String(PictureNames[index]) + QLatin1String(".svg");
}
} // namespace

QPixmap ArtworkPixmap(const QString &file, int size)
{
    QSvgRenderer renderer(QStringLiteral(":/artwork/") + file);
    if (!renderer.isValid())
        return QPixmap();
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const int device = qRound(size * ratio);
    QPixmap pixmap(device, device);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, device, device));
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QPixmap ToolbarPicture(int index)
{
    if (index < 0 || index >= Artwork::ToolbarCount)
        return QPixmap();
    return ArtworkPixmap(listFile("tb_", index), Artwork::ToolbarSize);
}

QPixmap MenuPicture(int index)
{
    if (index < 0 || index >= Artwork::MenuCount)
        return QPixmap();
    return ArtworkPixmap(listFile("mn_", index), Artwork::MenuSize);
}

QIcon ActionIcon(int index)
{
    QIcon icon;
    const QPixmap small = MenuPicture(index);
    if (!small.isNull())
        icon.addPixmap(small);
    const QPixmap large = ToolbarPicture(index);
    if (!large.isNull())
        icon.addPixmap(large);
    return icon;
}
