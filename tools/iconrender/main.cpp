// iconrender SVG PNG SIZE: draws the program's icon at SIZE × SIZE pixels for
// the icon theme's folders. Qt's own SVG renderer, so the build needs no
// other tool; not installed.
#include <cstdio>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int size = args.size() == 4 ? args[3].toInt(&ok) : 0;
    if (!ok || size <= 0 || size > 1024) {
        std::fputs("usage: iconrender SVG PNG SIZE\n", stderr);
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "iconrender: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    svg.render(&painter);
    painter.end();
    if (!image.convertToFormat(QImage::Format_ARGB32).save(args[2], "PNG")) {
        std::fprintf(stderr, "iconrender: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
