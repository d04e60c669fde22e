#include "forms/common/dialogplacement.h"

#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget &window)
{
    if (const QScreen *shown = window.screen())
        window.move(shown->availableGeometry().center() - window.rect().center());
}
