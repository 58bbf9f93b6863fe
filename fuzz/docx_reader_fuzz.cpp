// libFuzzer target for the DOCX reader: a zip package (as a .docx), or the
// parts of one given directly, so that the XML readers are reached without
// passing the zip's checksums. The document read is then split into
// questions and its bodies written as RTF, as an import does.
//
// Parts: the input cut at each "\n@@\n" gives word/document.xml, then
// word/numbering.xml, word/styles.xml, a picture (rId10) and an embedded
// object (rId11).
#include "docx/BodyWriter.h"
#include "docx/DocxReader.h"
#include "docx/PaperSplitter.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QHash>

#include <cstdint>

namespace {

void ensureApplication()
{
    static QGuiApplication* app = [] {
        static int argc = 1;
        static char name[] = "docx_reader_fuzz";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

const QByteArray kRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering\" "
    "Target=\"numbering.xml\"/>"
    "<Relationship Id=\"rId10\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" "
    "Target=\"media/image1.png\"/>"
    "<Relationship Id=\"rId11\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/oleObject\" "
    "Target=\"embeddings/oleObject1.bin\"/></Relationships>";

void splitAndWrite(const docx::Document& doc)
{
    const docx::SplitPaper paper =
        docx::PaperSplitter::split(doc, {QStringLiteral("选择题"), QStringLiteral("解答题")});
    docx::BodyWriter writer(doc, nullptr);
    for (const docx::SplitQuestion& q : paper.questions) {
        writer.rtf(q.content);
        writer.rtf(q.answer);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ensureApplication();
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    if (input.startsWith("PK")) {
        docx::ArchiveLimits limits;
        limits.maxEntryBytes = 4 * 1024 * 1024;
        limits.maxTotalBytes = 16 * 1024 * 1024;
        if (const std::optional<docx::Document> doc =
                docx::DocxReader::readBytes(input, QString(), &error, limits))
            splitAndWrite(*doc);
        return 0;
    }
    const QList<QByteArray> pieces = input.split('\n');
    QList<QByteArray> parts{QByteArray()};
    for (const QByteArray& line : pieces) {
        if (line == "@@")
            parts.append(QByteArray());
        else
            parts.back().append(line).append('\n');
    }
    QHash<QString, QByteArray> byName;
    const char* names[] = {"word/document.xml", "word/numbering.xml", "word/styles.xml",
                           "word/media/image1.png", "word/embeddings/oleObject1.bin"};
    for (qsizetype i = 0; i < parts.size() && i < 5; ++i)
        byName.insert(QString::fromLatin1(names[i]), parts[i]);
    byName.insert(QStringLiteral("word/_rels/document.xml.rels"), kRelationships);
    const auto source = [&](const QString& name, QString*) -> std::optional<QByteArray> {
        const auto it = byName.constFind(name);
        if (it == byName.constEnd())
            return std::nullopt;
        return *it;
    };
    if (const std::optional<docx::Document> doc = docx::DocxReader::readPackage(source, &error))
        splitAndWrite(*doc);
    return 0;
}
