// Draws an SVG picture into a PNG or JPEG file of the size asked; the build makes the report's
// separator picture and the application's bitmap icon with it from their sources. JPEG has no
// transparency, so a JPEG is drawn on white.
//
//   calbrey_renderpicture <source.svg> <target.png|target.jpg> <width> <height>

#include "app/untcommon.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Runs during the build, where there may be no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 5) {
        std::fprintf(stderr, "usage: calbrey_renderpicture source.svg target width height\n");
        return 2;
    }
    const QSize size(arguments.at(3).toInt(), arguments.at(4).toInt());
    const QImage drawn = RenderSvgPicture(arguments.at(1), size);
    if (drawn.isNull()) {
        std::fprintf(stderr, "cannot draw %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    const QString suffix = QFileInfo(arguments.at(2)).suffix().toLower();
    const bool jpeg = suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
    QImage picture(size, jpeg ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    picture.fill(jpeg ? Qt::white : Qt::transparent);
    QPainter painter(&picture);
    painter.drawImage(0, 0, drawn);
    painter.end();
    if (!picture.save(arguments.at(2), jpeg ? "JPG" : "PNG", jpeg ? 95 : -1)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments.at(2)));
        return 1;
    }
    return 0;
}
