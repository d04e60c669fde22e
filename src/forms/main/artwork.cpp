#include "forms/main/artwork.h"

#include "app/untcommon.h"

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
    return QPixmap::fromImage(RenderSvgPicture(QStringLiteral(":/artwork/") + file,
                                               QSize(size, size), ScreenPixelRatio()));
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

QIcon MenuListIcon(int index)
{
    QIcon icon;
    if (index < 0 || index >= Artwork::MenuCount)
        return icon;
    for (const int size : {16, 22, 24, 32, 48})
        icon.addPixmap(ArtworkPixmap(listFile("mn_", index), size));
    return icon;
}
