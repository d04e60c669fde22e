#pragma once

#include <QLabel>

/// The mouse behaviour shared by the program's image buttons and link labels: tracks whether a
/// button is held on the control (pressed) and whether the mouse is over it (hover), lets the
/// subclass restyle itself on every change, and reports a left press and release over it as a
/// click.
class TClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TClickableLabel(QWidget *parent = nullptr);

    bool Pressed() const { return FPressed; }
    bool Hover() const { return FHover; }

    /// Brings the look into line with Pressed() and Hover().
    virtual void UpdateControl() = 0;

signals:
    /// A left button pressed and released over the control.
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setHover(bool hover);

    bool FPressed = false;
    bool FHover = false;
    bool FLeftDown = false;
};
