#include "rtf/RtfCodePages.h"

#include "metafile/SymbolFonts.h"

#include <QByteArray>
#include <QList>

namespace rtf {

// clang-format off
int codePageForCharset(int charset, int fallback)
{
    switch (charset) {
    case 0: return 1252;   // ANSI
    case 2: return kSymbolCodePage;
    case 77: return 10000; // Mac Roman
    case 78: return 10001; // Mac Japanese
    case 79: return 10003; // Mac Korean
    case 80: return 10008; // Mac simplified Chinese
    case 81: return 10002; // Mac traditional Chinese
    case 83: return 10005; // Mac Hebrew
    case 84: return 10004; // Mac Arabic
    case 85: return 10006; // Mac Greek
    case 86: return 10081; // Mac Turkish
    case 87: return 10021; // Mac Thai
    case 88: return 10029; // Mac Central European
    case 89: return 10007; // Mac Cyrillic
    case 128: return 932;  // Shift-JIS
    case 129: return 949;  // Korean (Wansung)
    case 130: return 1361; // Johab
    case 134: return 936;  // GB2312 / GBK
    case 136: return 950;  // Big5
    case 161: return 1253; // Greek
    case 162: return 1254; // Turkish
    case 163: return 1258; // Vietnamese
    case 177: return 1255; // Hebrew
    case 178: return 1256; // Arabic
    case 179: return 1256; // Arabic (traditional)
    case 180: return 1256; // Arabic (user)
    case 181: return 1255; // Hebrew (user)
    case 186: return 1257; // Baltic
    case 204: return 1251; // Cyrillic
    case 222: return 874;  // Thai
    case 238: return 1250; // Eastern European
    case 254: return 437;  // PC 437
    case 255: return 850;  // OEM
    default: return fallback; // 1 (default), 3 (invariant), 82 (Mac Johab) and unknown sets
    }
}

int charsetOfFontNameEnding(QStringView name, qsizetype* stem)
{
    struct Ending
    {
        const char16_t* text;
        int charset;
    };
    static constexpr Ending endings[] = {
        {u" CE", 238},         {u" Cyr", 204},       {u" Greek", 161},        {u" Tur", 162},
        {u" Baltic", 186},     {u" (Hebrew)", 177},  {u" (Arabic)", 178},     {u" (Vietnamese)", 163},
    };
    for (const Ending& e : endings) {
        const QStringView ending(e.text);
        if (name.size() > ending.size() && name.endsWith(ending, Qt::CaseInsensitive)) {
            if (stem)
                *stem = name.size() - ending.size();
            return e.charset;
        }
    }
    return -1;
}

// clang-format on

char16_t symbolToUnicode(char16_t c)
{
    // Word writes Symbol characters either as bytes or as U+F020..U+F0FF.
    if (c >= 0xF020 && c <= 0xF0FF)
        c = char16_t(c - 0xF000);
    if (c < 0x20 || c > 0xFF)
        return c;
    const char16_t u = metafile::symbolToUnicode(c);
    // A position without a glyph stays private: no letter of another script
    // stands in for it.
    return u ? u : char16_t(0xF000 + c);
}

char16_t privateUseChar(char16_t c, bool wingdings)
{
    if (c < 0xF020 || c > 0xF0FF)
        return c;
    return wingdings ? wingdingsToUnicode(c) : symbolToUnicode(c);
}

char16_t wingdingsToUnicode(char16_t c)
{
    if (c >= 0xF020 && c <= 0xF0FF)
        c = char16_t(c - 0xF000);
    // clang-format off
    switch (c) {
    case 0x4A: return 0x263A; // smiling face
    case 0x6C: return 0x25CF; // black circle
    case 0x6E: return 0x25A0; // black square
    case 0x6F: return 0x25A1;
    case 0x71: return 0x2751;
    case 0x75: return 0x25C6; // black diamond
    case 0x76: return 0x2756;
    case 0x9F: return 0x2022; // bullet
    case 0xA7: return 0x25AA; // small black square
    case 0xA8: return 0x25FB;
    case 0xD8: return 0x27A2; // arrowhead
    case 0xE0: return 0x2192;
    case 0xE8: return 0x2794;
    case 0xFB: return 0x2717; // ballot x
    case 0xFC: return 0x2713; // check mark
    case 0xFE: return 0x2611;
    case 0x20: return 0x0020;
    default: return c >= 0x20 && c <= 0xFF ? char16_t(0xF000 + c) : c;
    }
    // clang-format on
}

char16_t symbolFontChar(int codePage, char16_t c)
{
    return codePage == kWingdingsCodePage ? wingdingsToUnicode(c) : symbolToUnicode(c);
}

namespace {

// ICU's names of the code pages RTF documents name. Mac code pages ICU does not
// have are read as the Windows code page with the same letters in the same
// places (the Mac CJK sets differ from it only in a few single bytes, which
// MacCjk below takes care of).
// clang-format off
const char* decoderName(int codePage)
{
    switch (codePage) {
    case 936: return "GBK";
    case 54936:
    case 20936: return "GB18030";
    case 950: return "windows-950";
    case 932: return "windows-932";
    case 949: return "windows-949";
    case 874: return "windows-874";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1252: return "windows-1252";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case 10000: return "macintosh";
    case 10001: return "windows-932";    // Mac Japanese: Shift-JIS
    case 10002: return "windows-950";    // Mac traditional Chinese: Big5
    case 10003: return "windows-949";    // Mac Korean: EUC-KR
    case 10004: return "ISO-8859-6";     // Mac Arabic: its letters
    case 10005: return "windows-1255";   // Mac Hebrew: its letters
    case 10006: return "x-mac-greek";
    case 10007: return "x-mac-cyrillic";
    case 10008: return "GBK";            // Mac simplified Chinese: GB2312
    case 10010: return "macintosh";      // Mac Romanian, Icelandic and Croatian differ from Mac Roman
    case 10079: return "macintosh";      // in a few letters only
    case 10082: return "macintosh";
    case 10017: return "x-mac-cyrillic"; // Mac Ukrainian
    case 10021: return "windows-874";    // Mac Thai: TIS-620
    case 10029: return "x-mac-centraleurroman";
    case 10081: return "x-mac-turkish";
    case 708: return "ISO-8859-6";
    case 720: return "ibm-720";
    case 20127: return "US-ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 50220:
    case 50221:
    case 50222: return "ISO-2022-JP";
    case 51932: return "EUC-JP";
    case 51949: return "EUC-KR";
    case 52936: return "HZ-GB-2312";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}
// clang-format on

std::unique_ptr<QStringDecoder> openDecoder(int codePage)
{
    if (const char* name = decoderName(codePage)) {
        auto decoder = std::make_unique<QStringDecoder>(name);
        if (decoder->isValid())
            return decoder;
    }
    // ISO 8859 parts (28591..28606), then the OEM and Windows names ICU knows.
    QList<QByteArray> names;
    if (codePage >= 28591 && codePage <= 28606)
        names << "ISO-8859-" + QByteArray::number(codePage - 28590);
    names << "windows-" + QByteArray::number(codePage) << "cp" + QByteArray::number(codePage);
    for (const QByteArray& name : names) {
        auto decoder = std::make_unique<QStringDecoder>(name.constData());
        if (decoder->isValid())
            return decoder;
    }
    return std::make_unique<QStringDecoder>("windows-1252");
}

// The single bytes by which the Mac CJK code pages differ from the Windows
// code page they are read with: bytes that are no lead byte there.
struct MacCjk
{
    std::uint8_t leadFrom, leadTo, leadFrom2, leadTo2;
    char16_t x80;
};

const MacCjk* macCjk(int codePage)
{
    static constexpr MacCjk japanese{0x81, 0x9F, 0xE0, 0xFC, u'\\'};
    static constexpr MacCjk traditional{0xA1, 0xFC, 0, 0, u'\\'};
    static constexpr MacCjk simplified{0xA1, 0xFC, 0, 0, 0x00FC};
    switch (codePage) {
    case 10001:
        return &japanese;
    case 10002:
        return &traditional;
    case 10008:
        return &simplified;
    default:
        return nullptr;
    }
}

char16_t macCjkSingle(const MacCjk& m, std::uint8_t b)
{
    switch (b) {
    case 0x80:
        return m.x80;
    case 0xA0:
        return 0x00A0;
    case 0xFD:
        return 0x00A9;
    case 0xFE:
        return 0x2122;
    case 0xFF:
        return 0x2026;
    default:
        return 0;
    }
}

} // namespace

ByteDecoder::ByteDecoder() = default;
ByteDecoder::~ByteDecoder() = default;

QStringDecoder* ByteDecoder::decoderFor(int codePage)
{
    for (int i = 0; i < used_; ++i)
        if (cache_[i].codePage == codePage)
            return cache_[i].decoder.get();

    std::unique_ptr<QStringDecoder> decoder = openDecoder(codePage);
    if (used_ == int(cache_.size())) {
        // A pathological document using many code pages: reuse the last slot.
        cache_[used_ - 1] = Entry{codePage, std::move(decoder)};
        return cache_[used_ - 1].decoder.get();
    }
    cache_[used_] = Entry{codePage, std::move(decoder)};
    return cache_[used_++].decoder.get();
}

void ByteDecoder::decode(QStringDecoder* decoder, std::string_view bytes, QString& out)
{
    if (bytes.empty())
        return;
    const qsizetype at = out.size();
    out.resize(at + decoder->requiredSpace(qsizetype(bytes.size())));
    QChar* begin = out.data() + at;
    QChar* end = decoder->appendToBuffer(begin, QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    out.resize(at + (end - begin));
    decoder->resetState();
}

namespace {

// GBK bytes decoded through ICU cost some seventy instructions a character;
// past this many bytes in one document the table of all double-byte codes,
// read from ICU once, decodes them instead.
constexpr std::size_t kGbkTableAfter = 32 * 1024;

} // namespace

// GBK through the table: ASCII as is, a lead byte and its trail byte as the
// converter reads them. Anything else (a lone lead byte, a code the table
// does not have, 0x80 or 0xFF) leaves `out` as it was and returns false: the
// converter decodes that text, so both ways give the same characters.
bool ByteDecoder::decodeGbk(std::string_view bytes, QString& out)
{
    const GbkTable& gbk = GbkTable::instance();
    if (!gbk.asciiAsIs())
        return false;
    const qsizetype at = out.size();
    out.resize(at + qsizetype(bytes.size()));
    QChar* const begin = out.data() + at;
    QChar* o = begin;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p != end) {
        const std::uint8_t b = *p;
        if (b < 0x80) {
            *o++ = QChar(char16_t(b));
            ++p;
            continue;
        }
        const char16_t c = b >= 0x81 && b <= 0xFE && end - p >= 2 ? gbk.character(b, p[1]) : 0;
        if (!c) {
            out.truncate(at);
            return false;
        }
        *o++ = QChar(c);
        p += 2;
    }
    out.truncate(at + (o - begin));
    return true;
}

void ByteDecoder::append(int codePage, std::string_view bytes, QString& out)
{
    if (bytes.empty())
        return;
    if (codePage == 936) {
        gbkBytes_ += bytes.size();
        if (gbkBytes_ > kGbkTableAfter && decodeGbk(bytes, out))
            return;
    }
    if (codePage == kSymbolCodePage || codePage == kWingdingsCodePage) {
        const qsizetype at = out.size();
        out.resize(at + qsizetype(bytes.size()));
        QChar* p = out.data() + at;
        for (const char b : bytes)
            *p++ = QChar(symbolFontChar(codePage, char16_t(std::uint8_t(b))));
        return;
    }
    QStringDecoder* decoder = decoderFor(codePage);
    const MacCjk* mac = macCjk(codePage);
    if (!mac) {
        decode(decoder, bytes, out);
        return;
    }
    std::size_t from = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t b = std::uint8_t(bytes[i]);
        if ((b >= mac->leadFrom && b <= mac->leadTo) || (b >= mac->leadFrom2 && b <= mac->leadTo2 && b)) {
            i += 2;
            continue;
        }
        const char16_t single = macCjkSingle(*mac, b);
        if (!single) {
            ++i;
            continue;
        }
        decode(decoder, bytes.substr(from, i - from), out);
        out.append(QChar(single));
        from = ++i;
    }
    if (from < bytes.size())
        decode(decoder, bytes.substr(from), out);
}

GbkTable::GbkTable()
{
    // Decode every double-byte code once, each followed by a newline so that an
    // invalid pair cannot shift the codes after it.
    QByteArray all(126 * 190 * 3, Qt::Uninitialized);
    char* b = all.data();
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            *b++ = char(lead);
            *b++ = char(trail);
            *b++ = '\n';
        }
    }
    QStringDecoder decoder("GBK");
    const QString text = decoder(all);
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const QChar* nl = p;
            while (nl != end && *nl != u'\n')
                ++nl;
            if (nl == end)
                return;
            if (nl - p == 1) {
                const char16_t c = p->unicode();
                if (c >= 0x80 && c != 0xFFFD && !QChar::isSurrogate(c)) {
                    characters_[std::size_t(lead - 0x81) * 256 + std::size_t(trail)] = c;
                    if (codes_[c] == 0)
                        codes_[c] = std::uint16_t(lead << 8 | trail);
                }
            }
            p = nl + 1;
        }
    }
    QByteArray ascii(0x80, Qt::Uninitialized);
    for (int c = 0; c < 0x80; ++c)
        ascii[c] = char(c);
    QStringDecoder asciiDecoder("GBK");
    asciiAsIs_ = asciiDecoder(ascii) == QString::fromLatin1(ascii);
}

const GbkTable& GbkTable::instance()
{
    static const GbkTable table;
    return table;
}

} // namespace rtf
