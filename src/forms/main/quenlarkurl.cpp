#include "forms/main/quenlarkurl.h"

#include "forms/main/programfont.h"

TQuenlarkURL::TQuenlarkURL(QWidget *parent) : TClickableLabel(parent)
{
    QFont linkFont = ProgramFont(8);
    linkFont.setUnderline(true);
    setFont(linkFont);
    setTextFormat(Qt::PlainText);
    setTextColor(RestColor());
}

TQuenlarkURL::TQuenlarkURL(const QString &caption, QWidget *parent) : TQuenlarkURL(parent)
{
    setText(caption);
}

QColor TQuenlarkURL::TextColor() const
{
    return palette().color(QPalette::WindowText);
}

void TQuenlarkURL::setTextColor(const QColor &color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

void TQuenlarkURL::UpdateControl()
{
    // Fixed colours: whatever colour the label was designed in gives way on the first change.
    if (Pressed() && Hover())
        setTextColor(PressedColor());
    else if (Hover())
        setTextColor(HoverColor());
    else
        setTextColor(RestColor());
    update();
}
