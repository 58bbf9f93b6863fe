// libFuzzer target for the metafile player: any bytes, drawn as a WMF or EMF
// into a small image and into a larger, rotated target. Crashes, hangs and
// memory blow-ups are what it looks for; the player draws a damaged file as
// far as it is sound.
#include "metafile/Metafile.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>

namespace {

void ensureApplication()
{
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "metafile_player_fuzz";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ensureApplication();
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    metafile::probe(input);
    const metafile::MetafilePlayer player(input);
    if (!player.isValid())
        return 0;
    QImage small(48, 32, QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::white);
    {
        QPainter p(&small);
        player.draw(p, QRectF(0, 0, 48, 32));
    }
    QImage large(160, 160, QImage::Format_RGB32);
    large.fill(Qt::white);
    QPainter p(&large);
    p.translate(80, 80);
    p.rotate(30);
    player.draw(p, QRectF(-60, -40, 120, 80));
    return 0;
}
