// rtf_read_once FILE: reads one RTF file into a QTextDocument and prints the
// process's peak resident memory ("peak_rss_kb N"), for rtf.read.zh5mb.rss.
// The peak is read from /proc/self/status (VmHWM), so it is reported on Linux
// only; elsewhere the line is missing.
#include "rtf/RtfReader.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: rtf_read_once FILE\n", stderr);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "rtf_read_once: cannot open %s\n", argv[1]);
        return 1;
    }
    QTextDocument doc;
    RtfReader::read(file.readAll(), &doc);
    std::printf("characters %d\n", doc.characterCount());

    QFile status(u"/proc/self/status"_s);
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                std::printf("peak_rss_kb %s\n", line.mid(6).trimmed().split(' ').first().constData());
        }
    }
    return 0;
}
