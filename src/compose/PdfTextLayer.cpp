#include "compose/PdfTextLayer.h"

#include <algorithm>
#include <map>
#include <optional>
#include <QFont>
#include <QGlyphRun>
#include <QRegularExpression>
#include <QtEndian>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

using namespace Qt::StringLiterals;

namespace {

quint16 u16(const QByteArray& data, qsizetype at)
{
    return qFromBigEndian<quint16>(reinterpret_cast<const uchar*>(data.constData()) + at);
}

// The code points of `text`, a surrogate pair as one.
std::vector<char32_t> codePoints(QStringView text)
{
    std::vector<char32_t> out;
    out.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.push_back(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else {
            out.push_back(c.unicode());
        }
    }
    return out;
}

quint32 glyphOf(const QRawFont& font, char32_t c)
{
    const QString text = QString::fromUcs4(&c, 1);
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    return glyphs.size() == 1 ? glyphs.first() : 0;
}

// Code points that stand for another one: the radicals and the compatibility
// ideographs. Of two characters drawn with one glyph, they give way.
bool isCompatibilityForm(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x2F800 && c <= 0x2FA1F);
}

// The objects of a PDF as its cross-reference table gives them.
struct XrefEntry
{
    qint64 offset = 0;
    int generation = 0;
    bool inUse = false;
};

struct ParsedPdf
{
    std::map<int, XrefEntry> entries;
    qsizetype xrefOffset = 0;
    QByteArray trailer; // from "trailer" up to "startxref"
};

class Reader
{
public:
    Reader(const QByteArray& data, qsizetype at) : data_(data), at_(at) {}
    void skipSpace()
    {
        while (at_ < data_.size() && QChar::isSpace(uchar(data_[at_])))
            ++at_;
    }
    bool startsWith(const char* word)
    {
        skipSpace();
        return QByteArrayView(data_).sliced(at_).startsWith(word);
    }
    std::optional<qint64> number()
    {
        skipSpace();
        const qsizetype start = at_;
        while (at_ < data_.size() && data_[at_] >= '0' && data_[at_] <= '9')
            ++at_;
        if (at_ == start || at_ - start > 12)
            return std::nullopt;
        return data_.mid(start, at_ - start).toLongLong();
    }
    char letter()
    {
        skipSpace();
        return at_ < data_.size() ? data_[at_++] : '\0';
    }
    qsizetype at() const { return at_; }

private:
    const QByteArray& data_;
    qsizetype at_;
};

// The last cross-reference table and its trailer; nullopt for anything else
// (a cross-reference stream, a damaged file).
std::optional<ParsedPdf> parseXref(const QByteArray& pdf)
{
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (startxref < 0)
        return std::nullopt;
    const std::optional<qint64> xref = Reader(pdf, startxref + 9).number();
    if (!xref || *xref <= 0 || *xref >= startxref)
        return std::nullopt;
    ParsedPdf parsed;
    parsed.xrefOffset = qsizetype(*xref);
    Reader r(pdf, parsed.xrefOffset);
    if (!r.startsWith("xref"))
        return std::nullopt;
    Reader entries(pdf, r.at() + 4);
    while (!entries.startsWith("trailer")) {
        const std::optional<qint64> first = entries.number();
        const std::optional<qint64> count = entries.number();
        if (!first || !count || *count > 10'000'000)
            return std::nullopt;
        for (qint64 i = 0; i < *count; ++i) {
            const std::optional<qint64> offset = entries.number();
            const std::optional<qint64> generation = entries.number();
            const char kind = entries.letter();
            if (!offset || !generation || (kind != 'n' && kind != 'f'))
                return std::nullopt;
            parsed.entries[int(*first + i)] = {*offset, int(*generation), kind == 'n'};
        }
    }
    parsed.trailer = pdf.mid(entries.at(), startxref - entries.at());
    return parsed;
}

// The dictionary that opens an object: up to its stream, at most 4 KB.
QByteArray dictionaryOf(const QByteArray& object)
{
    QByteArray head = object.left(4096);
    const qsizetype stream = head.indexOf("stream");
    return stream < 0 ? head : head.left(stream);
}

// The bytes of an object's stream, when they are stored as they are.
std::optional<QByteArray> plainStream(const QByteArray& object)
{
    const QByteArray dict = dictionaryOf(object);
    static const QRegularExpression length(u"/Length\\s+(\\d+)(\\s+\\d+\\s+R)?"_s);
    const QRegularExpressionMatch m = length.match(QString::fromLatin1(dict));
    if (dict.contains("/Filter") || !m.hasMatch() || m.hasCaptured(2))
        return std::nullopt;
    qsizetype start = dict.size() + 6; // "stream"
    if (object.mid(start, 2) == "\r\n")
        start += 2;
    else if (object.mid(start, 1) == "\n")
        start += 1;
    else
        return std::nullopt;
    const qsizetype size = m.captured(1).toLongLong();
    if (start + size > object.size())
        return std::nullopt;
    return object.mid(start, size);
}

// The hexadecimal strings, brackets and words of a CMap, in order.
QList<QByteArray> cmapTokens(const QByteArray& cmap)
{
    QList<QByteArray> tokens;
    qsizetype i = 0;
    while (i < cmap.size()) {
        const char c = cmap[i];
        if (QChar::isSpace(uchar(c))) {
            ++i;
        } else if (c == '<' && cmap.mid(i, 2) != "<<") {
            const qsizetype end = cmap.indexOf('>', i);
            if (end < 0)
                break;
            tokens << cmap.mid(i, end - i + 1);
            i = end + 1;
        } else if (c == '[' || c == ']') {
            tokens << QByteArray(1, c);
            ++i;
        } else {
            const qsizetype start = i;
            while (i < cmap.size() && !QChar::isSpace(uchar(cmap[i])) && cmap[i] != '<' && cmap[i] != '[' &&
                   cmap[i] != ']')
                ++i;
            if (i == start) // a lone "<<"
                i += 2;
            tokens << cmap.mid(start, i - start);
        }
    }
    return tokens;
}

std::optional<QByteArray> hexBytes(const QByteArray& token)
{
    if (token.size() < 2 || !token.startsWith('<') || !token.endsWith('>'))
        return std::nullopt;
    return QByteArray::fromHex(token.mid(1, token.size() - 2));
}

QString utf16(const QByteArray& bytes)
{
    QString s;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        s += QChar(u16(bytes, i));
    return s;
}

// The character of each glyph (CID) of a ToUnicode map.
std::map<int, QString> readToUnicode(const QByteArray& cmap)
{
    std::map<int, QString> map;
    const QList<QByteArray> t = cmapTokens(cmap);
    enum { None, Range, Char } mode = None;
    for (qsizetype i = 0; i < t.size();) {
        if (t[i] == "beginbfrange") {
            mode = Range;
            ++i;
        } else if (t[i] == "beginbfchar") {
            mode = Char;
            ++i;
        } else if (t[i] == "endbfrange" || t[i] == "endbfchar") {
            mode = None;
            ++i;
        } else if (mode == Char && i + 1 < t.size()) {
            const auto code = hexBytes(t[i]);
            const auto text = hexBytes(t[i + 1]);
            if (code && text && code->size() == 2)
                map[u16(*code, 0)] = utf16(*text);
            i += 2;
        } else if (mode == Range && i + 2 < t.size()) {
            const auto first = hexBytes(t[i]);
            const auto last = hexBytes(t[i + 1]);
            i += 2;
            if (!first || !last || first->size() != 2 || last->size() != 2)
                continue;
            const int from = u16(*first, 0);
            const int to = u16(*last, 0);
            if (t[i] == "[") {
                ++i;
                for (int code = from; i < t.size() && t[i] != "]"; ++i, ++code) {
                    if (const auto text = hexBytes(t[i]); text && code <= to)
                        map[code] = utf16(*text);
                }
                ++i; // "]"
            } else {
                const auto text = hexBytes(t[i]);
                ++i;
                if (!text || text->size() != 2)
                    continue;
                for (int code = from; code <= to; ++code)
                    map[code] = QString(QChar(char16_t(u16(*text, 0) + (code - from))));
            }
        } else {
            ++i;
        }
    }
    return map;
}

QByteArray writeToUnicode(const std::map<int, QString>& map)
{
    QByteArray out = "/CIDInit /ProcSet findresource begin\n"
                     "12 dict begin\n"
                     "begincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n"
                     "/CMapType 2 def\n"
                     "1 begincodespacerange\n"
                     "<0000> <FFFF>\n"
                     "endcodespacerange\n";
    std::vector<std::pair<int, QString>> entries;
    for (const auto& [code, text] : map) {
        if (code > 0 && code <= 0xFFFF && !text.isEmpty())
            entries.emplace_back(code, text);
    }
    // A CMap block holds at most 100 entries.
    for (size_t i = 0; i < entries.size(); i += 100) {
        const size_t end = std::min(entries.size(), i + 100);
        out += QByteArray::number(qulonglong(end - i)) + " beginbfchar\n";
        for (size_t k = i; k < end; ++k) {
            out += '<' + QByteArray::number(entries[k].first, 16).rightJustified(4, '0').toUpper() + "> <";
            for (const QChar c : entries[k].second)
                out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
            out += ">\n";
        }
        out += "endbfchar\n";
    }
    out += "endcmap\n"
           "CMapName currentdict /CMap defineresource pop\n"
           "end\n"
           "end\n";
    return out;
}

} // namespace

QFont noShaping(QFont font)
{
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

QByteArray postscriptName(const QRawFont& font)
{
    const QByteArray name = font.fontTable("name");
    if (name.size() < 6)
        return {};
    const int count = u16(name, 2);
    const qsizetype strings = u16(name, 4);
    int best = -1;
    int bestRank = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + qsizetype(i) * 12;
        if (record + 12 > name.size())
            break;
        const int platform = u16(name, record);
        const int encoding = u16(name, record + 2);
        const int language = u16(name, record + 4);
        if (u16(name, record + 6) != 6)
            continue;
        // As FreeType takes it: Windows English first, then any Windows, then Macintosh Roman.
        const int rank = platform == 3 ? (language == 0x409 ? 3 : 2) : platform == 1 && encoding == 0 ? 1 : 0;
        if (rank > bestRank) {
            best = i;
            bestRank = rank;
        }
    }
    if (best < 0)
        return {};
    const qsizetype record = 6 + qsizetype(best) * 12;
    const qsizetype length = u16(name, record + 8);
    const qsizetype offset = strings + u16(name, record + 10);
    if (offset + length > name.size())
        return {};
    const QByteArray bytes = name.mid(offset, length);
    QByteArray ps = bestRank >= 2 ? utf16(bytes).toLatin1() : bytes;
    return ps.replace(' ', '_');
}

void PdfTextLayer::addText(QStringView text)
{
    for (const char32_t c : codePoints(text))
        ++drawn_[c];
}

void PdfTextLayer::addFont(const QRawFont& font)
{
    if (!font.isValid())
        return;
    const QByteArray name = postscriptName(font);
    if (name.isEmpty())
        return;
    if (std::none_of(fonts_.begin(), fonts_.end(), [&](const auto& f) { return f.first == name; }))
        fonts_.emplace_back(name, font);
}

void PdfTextLayer::addDocument(const QTextDocument& doc)
{
    addText(doc.toRawText());
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        // A block's layout holds no text of its own: the range is given.
        if (const QTextLayout* layout = block.layout()) {
            for (const QGlyphRun& run : layout->glyphRuns(0, block.length()))
                addFont(run.rawFont());
        }
    }
}

void PdfTextLayer::addLine(const QString& text, const QFont& font)
{
    addText(text);
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns())
        addFont(run.rawFont());
}

QByteArray PdfTextLayer::rewrite(const QByteArray& pdf) const
{
    const std::optional<ParsedPdf> parsed = parseXref(pdf);
    if (!parsed)
        return pdf;
    // Each object runs from its offset up to the next object or the table.
    std::vector<std::pair<qint64, int>> order;
    for (const auto& [number, entry] : parsed->entries) {
        if (entry.inUse)
            order.emplace_back(entry.offset, number);
    }
    std::sort(order.begin(), order.end());
    if (order.empty() || order.back().first >= parsed->xrefOffset)
        return pdf;
    std::map<int, QByteArray> objects;
    for (size_t i = 0; i < order.size(); ++i) {
        const qint64 end = i + 1 < order.size() ? order[i + 1].first : parsed->xrefOffset;
        const QByteArray object = pdf.mid(order[i].first, end - order[i].first);
        const QByteArray head = QByteArray::number(order[i].second) + ' ';
        if (!object.startsWith(head))
            return pdf;
        objects[order[i].second] = object;
    }

    std::map<int, QByteArray> replaced;
    static const QRegularExpression baseFont(u"/BaseFont\\s*/([^\\s/<>\\[\\]()]+)"_s);
    static const QRegularExpression toUnicode(u"/ToUnicode\\s+(\\d+)\\s+(\\d+)\\s+R"_s);
    for (const auto& [number, object] : objects) {
        const QString dict = QString::fromLatin1(dictionaryOf(object));
        if (!dict.contains(u"/Type0"_s))
            continue;
        const QRegularExpressionMatch name = baseFont.match(dict);
        const QRegularExpressionMatch map = toUnicode.match(dict);
        if (!name.hasMatch() || !map.hasMatch())
            continue;
        const auto face = std::find_if(fonts_.begin(), fonts_.end(),
                                       [&](const auto& f) { return f.first == name.captured(1).toLatin1(); });
        const int mapNumber = map.captured(1).toInt();
        if (face == fonts_.end() || !objects.count(mapNumber))
            continue;
        const std::optional<QByteArray> cmap = plainStream(objects[mapNumber]);
        if (!cmap)
            continue;
        // The character drawn for each glyph of this face.
        const QRawFont& font = face->second;
        QHash<quint32, char32_t> best;
        for (auto it = drawn_.cbegin(); it != drawn_.cend(); ++it) {
            const quint32 glyph = glyphOf(font, it.key());
            if (glyph == 0)
                continue;
            auto current = best.find(glyph);
            auto rank = [&](char32_t c) {
                return std::make_tuple(drawn_.value(c), !isCompatibilityForm(c), -qint64(c));
            };
            if (current == best.end())
                best.insert(glyph, it.key());
            else if (rank(it.key()) > rank(*current))
                *current = it.key();
        }
        std::map<int, QString> names = readToUnicode(*cmap);
        for (auto& [code, text] : names) {
            if (text.isEmpty())
                continue;
            const quint32 glyph = glyphOf(font, codePoints(text).front());
            if (const auto it = best.constFind(glyph); glyph != 0 && it != best.cend()) {
                const char32_t c = *it;
                text = QString::fromUcs4(&c, 1);
            }
        }
        const QByteArray stream = writeToUnicode(names);
        const int generation = parsed->entries.at(mapNumber).generation;
        replaced[mapNumber] = QByteArray::number(mapNumber) + ' ' + QByteArray::number(generation) +
                              " obj\n<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" +
                              stream + "\nendstream\nendobj\n";
    }
    if (replaced.empty())
        return pdf;

    QByteArray out = pdf.left(order.front().first);
    out.reserve(pdf.size() + 4096);
    std::map<int, qint64> offsets;
    for (const auto& [offset, number] : order) {
        offsets[number] = out.size();
        const auto it = replaced.find(number);
        out += it != replaced.end() ? it->second : objects[number];
    }
    const qint64 xref = out.size();
    const int size = parsed->entries.rbegin()->first + 1;
    out += "xref\n0 " + QByteArray::number(size) + '\n';
    for (int number = 0; number < size; ++number) {
        const auto entry = parsed->entries.find(number);
        const bool inUse = entry != parsed->entries.end() && entry->second.inUse;
        const qint64 offset = inUse                            ? offsets[number]
                              : entry != parsed->entries.end() ? entry->second.offset
                                                               : 0;
        const int generation = entry != parsed->entries.end() ? entry->second.generation : 0;
        out += QByteArray::number(offset).rightJustified(10, '0') + ' ' +
               QByteArray::number(generation).rightJustified(5, '0') + (inUse ? " n \n" : " f \n");
    }
    out += parsed->trailer;
    out += "startxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}
