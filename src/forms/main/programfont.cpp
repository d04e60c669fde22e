#include "forms/main/programfont.h"

#include <QFontDatabase>
#include <QStringList>

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
