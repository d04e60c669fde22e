#pragma once

#include "forms/main/clickablelabel.h"

/// A text label that looks and acts like a hyperlink: blue and underlined, red under the mouse,
/// purple while pressed with the mouse over it. What a click does is up to the window.
class TQuenlarkURL : public TClickableLabel
{
    Q_OBJECT

public:
    explicit TQuenlarkURL(QWidget *parent = nullptr);
    explicit TQuenlarkURL(const QString &caption, QWidget *parent = nullptr);

    /// The colour the text is drawn in at the moment.
    QColor TextColor() const;

    void UpdateControl() override;

    static QColor RestColor() { return QColor(0, 0, 255); }
    static QColor HoverColor() { return QColor(255, 0, 0); }
    static QColor PressedColor() { return QColor(128, 0, 128); }

private:
    void setTextColor(const QColor &color);
};
