// libFuzzer target for the RTF reader. Besides crashes, hangs and memory
// blow-ups, it checks what the rich-text box relies on: what we write from any
// document reads back to a document that writes the same bytes and shows the
// same text.
#include "ui/rtf/RtfReader.h"
#include "ui/rtf/RtfWriter.h"
#include "ui/rtf/VisibleText.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

[[noreturn]] void fail(const char* what, const QByteArray& a, const QByteArray& b)
{
    std::fprintf(stderr, "%s\n--- first:\n%s\n--- second:\n%s\n", what, a.constData(), b.constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ensureApplication();
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    QTextDocument doc;
    RtfReader::read(input, &doc);
    const QByteArray written = RtfWriter::write(doc);

    QTextDocument back;
    RtfReader::read(written, &back);
    const QByteArray again = RtfWriter::write(back);
    if (again != written)
        fail("writing what was read gave other bytes", written, again);
    if (rtf::visibleText(back) != rtf::visibleText(doc))
        fail("the text changed in a round trip", rtf::visibleText(doc).toUtf8(), rtf::visibleText(back).toUtf8());

    // Pasting the input into the middle of a paragraph.
    QTextDocument target;
    target.setPlainText(QStringLiteral("ab"));
    QTextCursor cursor(&target);
    cursor.setPosition(1);
    RtfReader::insert(input, cursor);
    return 0;
}
