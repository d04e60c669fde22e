#include "forms/main/programfont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLayout>
#include <QStringList>
#include <QWidget>
#include <algorithm>

QString ProgramFontFamily()
{
    static const QString family = [] {
        QString tahoma = QStringLiteral("Tahoma");
        if (QFontDatabase::families().contains(tahoma, Qt::CaseInsensitive))
            return tahoma;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QFont ProgramFont(int pointSize, bool bold)
{
    QFont font(ProgramFontFamily(), pointSize);
    font.setBold(bold);
    return font;
}

void FitDialogToDesign(QWidget &dialog, QSize designed)
{
    // Tahoma's characters at 8 points are 5 pixels wide on average.
    constexpr double designedCharWidth = 5.0;
    const double scale =
        std::max(1.0, QFontMetrics(dialog.font()).averageCharWidth() / designedCharWidth);
    const QSize hint = dialog.sizeHint();
    const int width = std::max(hint.width(), int(designed.width() * scale));
    int height = hint.height();
    if (const QLayout *layout = dialog.layout(); layout && layout->hasHeightForWidth())
        height = layout->totalHeightForWidth(width);
    dialog.setFixedSize(width, std::max(height, designed.height()));
}
