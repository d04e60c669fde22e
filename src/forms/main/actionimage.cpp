#include "forms/main/actionimage.h"

#include "forms/main/artwork.h"

TActionImage::TActionImage(QWidget *parent) : TClickableLabel(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAlignment(Qt::AlignCenter);
}

void TActionImage::SetFPictureNone(const QPixmap &picture)
{
    FPictureNone = picture;
    setPixmap(FPictureNone);
    if (!FPictureNone.isNull())
        setFixedSize(FPictureNone.deviceIndependentSize().toSize());
}

void TActionImage::SetFPictureOver(const QPixmap &picture)
{
    FPictureOver = picture;
    update();
}

void TActionImage::SetFPictureDown(const QPixmap &picture)
{
    FPictureDown = picture;
    update();
}

void TActionImage::SetPicturesFromArtwork(const QString &restFile, const QString &overFile,
                                          const QString &downFile, int size)
{
    SetFPictureOver(ArtworkPixmap(overFile, size));
    SetFPictureDown(ArtworkPixmap(downFile, size));
    SetFPictureNone(ArtworkPixmap(restFile, size));
}

void TActionImage::SetPicturesFromArtwork(const QString &name, int size)
{
    SetPicturesFromArtwork(name + QStringLiteral("_none.svg"), name + QStringLiteral("_over.svg"),
                           name + QStringLiteral("_down.svg"), size);
}

void TActionImage::UpdateControl()
{
    const QPixmap *chosen = &FPictureNone;
    if (Hover())
        chosen = Pressed() ? &FPictureDown : &FPictureOver;
    if (chosen->width() == 0)
        chosen = &FPictureNone;
    setPixmap(*chosen);
}
