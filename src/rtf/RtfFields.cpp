#include "rtf/RtfFields.h"

#include "rtf/RtfCodePages.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfParserState.h"

#include <algorithm>

namespace rtf {

namespace {

// Longer instructions are cut: a link target is far shorter.
constexpr qsizetype kMaxInstruction = 4096;
// A link is referred to by a 16-bit index.
constexpr std::size_t kMaxLinks = 32000;

} // namespace

void Fields::beginField(int depth)
{
    fieldDepth_ = depth;
    resultStart_ = -1;
}

qsizetype Fields::endField()
{
    fieldDepth_ = -1;
    const qsizetype start = resultStart_;
    resultStart_ = -1;
    return start;
}

void Fields::beginInstruction(int depth)
{
    instruction_.clear();
    bytes_.clear();
    instructionDepth_ = depth;
}

void Fields::text(std::string_view bytes)
{
    if (bytes_.size() + bytes.size() < std::size_t(kMaxInstruction))
        bytes_.append(bytes);
}

void Fields::unit(char16_t c, int codePage)
{
    if (instruction_.size() < kMaxInstruction) {
        decodeBytes(codePage);
        instruction_.append(QChar(c));
    }
}

void Fields::finishInstruction(int codePage, GroupState& field)
{
    instructionDepth_ = -1;
    decodeBytes(codePage);
    // HYPERLINK "target" [\l "bookmark"] [\o "tip"] ...
    QStringView s = QStringView(instruction_).trimmed();
    if (s.startsWith(u"SYMBOL")) {
        finishSymbol(s.mid(6), field);
        return;
    }
    if (!s.startsWith(u"HYPERLINK"))
        return;
    s = s.mid(9);
    QString url;
    bool bookmark = false;
    while (!s.isEmpty()) {
        if (s.front().isSpace()) {
            s = s.mid(1);
            continue;
        }
        if (s.front() == u'\\') {
            // A switch; \l marks the target as a bookmark.
            bookmark = bookmark || s.startsWith(u"\\l");
            s = s.mid(std::min<qsizetype>(2, s.size()));
            continue;
        }
        QStringView token;
        if (s.front() == u'"') {
            const qsizetype close = s.indexOf(u'"', 1);
            token = close < 0 ? s.mid(1) : s.mid(1, close - 1);
            s = close < 0 ? QStringView() : s.mid(close + 1);
        } else {
            qsizetype space = 0;
            while (space < s.size() && !s[space].isSpace())
                ++space;
            token = s.left(space);
            s = s.mid(space);
        }
        QString value = token.toString();
        value.replace(QLatin1String("\\\\"), QLatin1String("\\"));
        if (url.isEmpty())
            url = bookmark ? QLatin1Char('#') + value : value;
        else if (bookmark && !url.contains(QLatin1Char('#')))
            url += QLatin1Char('#') + value;
        bookmark = false;
    }
    url = linkTarget(url);
    if (url.isEmpty() || links_.size() >= kMaxLinks)
        return;
    field.fieldLink = std::int16_t(links_.size());
    links_.push_back(url);
}

void Fields::decodeBytes(int codePage)
{
    decoder_.append(codePage, bytes_, instruction_);
    bytes_.clear();
}

// SYMBOL 74 \f "Wingdings" \s 12: the character number, in the named font.
void Fields::finishSymbol(QStringView args, GroupState& field)
{
    args = args.trimmed();
    const bool hex = args.startsWith(u"0x", Qt::CaseInsensitive);
    if (hex)
        args = args.mid(2);
    qsizetype i = 0;
    int code = 0;
    for (; i < args.size(); ++i) {
        const int digit = hex ? hexDigit(char(args[i].unicode() < 0x80 ? args[i].unicode() : 0))
                              : (args[i] >= u'0' && args[i] <= u'9' ? args[i].unicode() - u'0' : -1);
        if (digit < 0)
            break;
        code = std::min(code * (hex ? 16 : 10) + digit, 0xFFFF);
    }
    if (i == 0 || code < 0x20)
        return;
    char16_t c = char16_t(code);
    const qsizetype font = args.indexOf(u"\\f", i);
    if (font >= 0) {
        const QStringView name = args.mid(font);
        if (name.contains(u"Wingdings"))
            c = wingdingsToUnicode(c);
        else if (name.contains(u"Symbol"))
            c = symbolToUnicode(c);
    }
    field.fieldSymbol = c;
}

} // namespace rtf
