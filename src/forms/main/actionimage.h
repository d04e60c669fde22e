#pragma once

#include "forms/main/clickablelabel.h"

#include <QPixmap>

/// A picture that acts as a button: one picture at rest, one while the mouse is over it and one
/// while a button is held on it with the mouse over it. A missing hover or pressed picture falls
/// back to the rest picture.
class TActionImage : public TClickableLabel
{
    Q_OBJECT

public:
    explicit TActionImage(QWidget *parent = nullptr);

    /// Also shows the rest picture at once and sizes the control to it.
    void SetFPictureNone(const QPixmap &picture);
    void SetFPictureOver(const QPixmap &picture);
    void SetFPictureDown(const QPixmap &picture);
    const QPixmap &Picture_None() const { return FPictureNone; }
    const QPixmap &Picture_Over() const { return FPictureOver; }
    const QPixmap &Picture_Down() const { return FPictureDown; }

    /// Sets the three pictures from the program's artwork, rendered at size by size.
    void SetPicturesFromArtwork(const QString &restFile, const QString &overFile,
                                const QString &downFile, int size);
    /// The same for the artwork's usual file names: name + "_none.svg", "_over.svg" and
    /// "_down.svg".
    void SetPicturesFromArtwork(const QString &name, int size);

    /// The picture shown at the moment.
    QPixmap ShownPicture() const { return pixmap(); }

    void UpdateControl() override;

private:
    QPixmap FPictureNone;
    QPixmap FPictureOver;
    QPixmap FPictureDown;
};
