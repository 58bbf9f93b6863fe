// libFuzzer target for the RTF reader. Besides crashes, hangs and memory
// blow-ups, it checks what the rich-text box relies on: what we write from any
// document reads back to a document with the same text and structure, which
// writes the same bytes again.
#include "DocumentDump.h"

#include "rtf/RtfReader.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void ensureApplication()
{
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "rtf_reader_fuzz";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ensureApplication();
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    const QString problem = rtftest::roundTripProblem(input, true);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "round trip broken: %s\n", problem.toUtf8().constData());
        std::abort();
    }

    // Pasting the input into the middle of a paragraph.
    QTextDocument target;
    target.setPlainText(u"ab"_s);
    QTextCursor cursor(&target);
    cursor.setPosition(1);
    RtfReader::insert(input, cursor);
    return 0;
}
