#include "rtf/RtfDocumentText.h"

#include "rtf/RtfCodePages.h"
#include "rtf/RtfFontTable.h"

namespace rtf {

std::size_t CharPropsHash::operator()(const CharProps& c) const noexcept
{
    std::size_t h = std::size_t(c.font) * 1000003u;
    h ^= std::size_t(c.halfPoints) << 1;
    h ^= std::size_t(c.foreground) << 12;
    h ^= std::size_t(c.background) << 20;
    h ^= std::size_t(c.link + 1) << 28;
    h ^= std::size_t(c.underline) << 40 | std::size_t(c.vertical) << 44;
    h ^= std::size_t(c.bold) << 48 | std::size_t(c.italic) << 49 | std::size_t(c.strike) << 50 |
         std::size_t(c.caps) << 51 | std::size_t(c.smallCaps) << 52 | std::size_t(c.hidden) << 53;
    return h;
}

std::size_t ParaPropsHash::operator()(const ParaProps& p) const noexcept
{
    std::size_t h = std::size_t(p.leftIndent) * 31u + std::size_t(p.rightIndent);
    h = h * 31u + std::size_t(p.firstIndent);
    h = h * 31u + std::size_t(p.spaceBefore);
    h = h * 31u + std::size_t(p.spaceAfter);
    h = h * 31u + std::size_t(p.lineSpacing);
    h = h * 31u + std::size_t(p.align) + (p.lineMultiple ? 7u : 0u);
    h = h * 31u + std::size_t(p.nesting) + (p.inTable ? 101u : 0u);
    return h;
}

namespace {

// A character decoded text keeps as it is: no control character, object
// character, paragraph separator or symbol left in the private-use area.
bool isPlain(char16_t u)
{
    return u >= 0x20 && u != QChar::ObjectReplacementCharacter && u != 0x2029 && (u < 0xF020 || u > 0xF0FF);
}

} // namespace

DocumentText::DocumentText(Content& content, FontTable& fonts, ByteDecoder& decoder)
    : c_(content), fonts_(fonts), decoder_(decoder)
{
}

void DocumentText::beginText(const CharProps& chr)
{
    if (!runOpen_ || !(runProps_ == chr)) {
        finishRun();
        runProps_ = chr;
        runOpen_ = true;
        runStart_ = cur_.text.size();
    }
}

void DocumentText::appendBytes(std::string_view bytes, const CharProps& chr)
{
    if (chr.hidden)
        return;
    const TextFont font = fonts_.textFont(chr.font);
    beginText(chr);
    if (!pendingBytes_.empty() && pendingCp_ != font.codePage)
        flushBytes();
    if (pendingHigh_)
        flushHighSurrogate();
    pendingCp_ = font.codePage;
    pendingWingdings_ = font.wingdings;
    pendingBytes_.append(bytes);
}

void DocumentText::flushBytes()
{
    if (pendingBytes_.empty())
        return;
    const qsizetype from = cur_.text.size();
    decoder_.append(pendingCp_, pendingBytes_, cur_.text);
    pendingBytes_.clear();
    // Control characters have no place in the text, nor has the object
    // character that stands for pictures; a decoded paragraph separator would
    // split the paragraph when inserted. Symbol characters a code page leaves
    // private are taken like those of \uN.
    QChar* p = cur_.text.data() + from;
    QChar* const end = cur_.text.data() + cur_.text.size();
    // Most text has none of them: nothing is moved up to the first.
    while (p != end && isPlain(p->unicode()))
        ++p;
    if (p == end)
        return;
    QChar* out = p;
    for (; p != end; ++p) {
        const char16_t u = p->unicode();
        if ((u < 0x20 && u != u'\t') || u == QChar::ObjectReplacementCharacter)
            continue;
        *out++ = u == 0x2029                  ? QChar(QChar::LineSeparator)
                 : u >= 0xF020 && u <= 0xF0FF ? QChar(privateUseChar(u, pendingWingdings_))
                                              : *p;
    }
    cur_.text.truncate(out - cur_.text.data());
}

void DocumentText::flushHighSurrogate()
{
    if (pendingHigh_) {
        pendingHigh_ = 0;
        cur_.text.append(QChar(QChar::ReplacementCharacter));
    }
}

void DocumentText::finishRun()
{
    flushBytes();
    flushHighSurrogate();
    closeRun();
}

void DocumentText::appendUnit(char16_t c, const CharProps& chr)
{
    if (chr.hidden)
        return;
    beginText(chr);
    flushBytes();
    // Every private-use symbol in the text is mapped, whichever way it came,
    // so that the text written and read again maps to itself.
    c = privateUseChar(c, fonts_.textFont(chr.font).wingdings);
    if (QChar::isHighSurrogate(c)) {
        flushHighSurrogate();
        pendingHigh_ = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!pendingHigh_) {
            cur_.text.append(QChar(QChar::ReplacementCharacter));
            return;
        }
        cur_.text.append(QChar(pendingHigh_));
        pendingHigh_ = 0;
        cur_.text.append(QChar(c));
        return;
    }
    flushHighSurrogate();
    if ((c < 0x20 && c != u'\t') || c == QChar::ObjectReplacementCharacter)
        return;
    cur_.text.append(QChar(c == 0x2029 ? char16_t(QChar::LineSeparator) : c));
}

void DocumentText::appendSpecial(char16_t c, const CharProps& chr)
{
    if (chr.hidden)
        return;
    beginText(chr);
    flushBytes();
    flushHighSurrogate();
    cur_.text.append(QChar(privateUseChar(c, fonts_.textFont(chr.font).wingdings)));
}

void DocumentText::appendPicture(int picture, const CharProps& chr)
{
    finishRun();
    cur_.runs.push_back(Run{internChar(chr), std::int32_t(cur_.text.size()), 0, picture});
}

bool DocumentText::runHasText() const
{
    return runOpen_ && (cur_.text.size() > runStart_ || !pendingBytes_.empty() || pendingHigh_);
}

void DocumentText::closeRun()
{
    if (runOpen_ && cur_.text.size() > runStart_) {
        cur_.runs.push_back(Run{internChar(runProps_), std::int32_t(runStart_),
                                std::int32_t(cur_.text.size() - runStart_), -1});
    }
    runOpen_ = false;
}

Paragraph DocumentText::takeParagraph(const ParaProps& para, const CharProps& endChr)
{
    cur_.format = internPara(para);
    cur_.endFormat = internChar(endChr);
    Paragraph p = std::move(cur_);
    cur_ = Paragraph{};
    return p;
}

int DocumentText::internChar(const CharProps& c)
{
    CharProps named = c;
    named.font = fonts_.nameIndex(c.font);
    const auto [it, inserted] = charIndex_.try_emplace(named, int(c_.charFormats.size()));
    if (inserted)
        c_.charFormats.push_back(named);
    return it->second;
}

int DocumentText::internPara(const ParaProps& p)
{
    const auto [it, inserted] = paraIndex_.try_emplace(p, int(c_.paraFormats.size()));
    if (inserted)
        c_.paraFormats.push_back(p);
    return it->second;
}

} // namespace rtf
