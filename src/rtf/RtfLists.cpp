#include "rtf/RtfLists.h"

#include "rtf/RtfCodePages.h"
#include "rtf/RtfDocumentText.h"
#include "rtf/RtfFontTable.h"
#include "rtf/RtfParserState.h"

#include <algorithm>

namespace rtf {

namespace {

// The longest label text read, and the most lists and overrides kept.
constexpr std::size_t kMaxRawUnits = 64;
constexpr std::size_t kMaxLists = 4096;

} // namespace

Lists::Lists(FontTable& fonts, ByteDecoder& decoder, DocumentText& text)
    : fonts_(fonts), decoder_(decoder), text_(text)
{
}

void Lists::beginList(int depth)
{
    listDepth_ = depth;
    list_ = ListDef{};
    listId_ = 0;
}

void Lists::beginLevel(int depth)
{
    levelDepth_ = depth;
    level_ = LevelDef{};
    raw_.clear();
}

void Lists::setLevelFormat(int format)
{
    level_.format = clampInt(format, 0, 255);
}

void Lists::setLevelStart(int start)
{
    level_.start = clampInt(start, 0, 32767);
}

void Lists::beginOverride(int depth)
{
    overrideDepth_ = depth;
    overrideList_ = 0;
    overrideNumber_ = 0;
}

void Lists::beginPn(int depth)
{
    pnDepth_ = depth;
    pnFont_ = -1;
    pnBullet_ = false;
    raw_.clear();
}

void Lists::groupEnd(int depth, const CharProps& chr)
{
    if (labelDepth_ == depth)
        endLabel(chr);
    if (levelDepth_ == depth)
        finishLevel(chr.font);
    if (listDepth_ == depth)
        finishList();
    if (overrideDepth_ == depth)
        finishOverride();
    if (pnDepth_ == depth)
        finishPn(chr.font);
}

void Lists::rawText(std::string_view bytes)
{
    for (const char b : bytes)
        if (raw_.size() < kMaxRawUnits)
            raw_.push_back(RawUnit{char16_t(std::uint8_t(b)), true});
}

void Lists::rawUnit(char16_t c)
{
    if (raw_.size() < kMaxRawUnits)
        raw_.push_back(RawUnit{c, false});
}

// Bytes in the font's code page, \u characters as in text of that font. In a
// level text, bytes 0..8 stand for the numbers of the list levels.
QString Lists::decodeRaw(std::size_t from, int font, bool levelText)
{
    const TextFont tf = fonts_.lookup(font);
    const int cp = tf.codePage;
    const bool wingdings = tf.wingdings;
    const bool symbol = cp == kSymbolCodePage || cp == kWingdingsCodePage;
    QString out;
    std::string bytes;
    for (std::size_t i = from; i < raw_.size(); ++i) {
        const RawUnit& u = raw_[i];
        if (u.byte && !(levelText && u.value < 9)) {
            bytes.push_back(char(u.value));
            continue;
        }
        decoder_.append(cp, bytes, out);
        bytes.clear();
        out.append(QChar(u.byte   ? u.value
                         : symbol ? symbolFontChar(cp, u.value)
                                  : privateUseChar(u.value, wingdings)));
    }
    decoder_.append(cp, bytes, out);
    for (QChar& c : out)
        c = QChar(privateUseChar(c.unicode(), wingdings));
    return out;
}

void Lists::finishLevel(int font)
{
    levelDepth_ = -1;
    // The first byte is the length of the text, which ends with ';'.
    if (!raw_.empty() && raw_.front().byte) {
        level_.text = decodeRaw(1, font, true).left(raw_.front().value);
    } else {
        level_.text = decodeRaw(0, font, true);
        if (level_.text.endsWith(u';'))
            level_.text.chop(1);
    }
    raw_.clear();
    if (list_.count < int(list_.levels.size()))
        list_.levels[std::size_t(list_.count++)] = std::move(level_);
    level_ = LevelDef{};
}

void Lists::finishList()
{
    listDepth_ = -1;
    if (lists_.size() < kMaxLists || lists_.count(listId_))
        lists_[listId_] = std::move(list_);
    list_ = ListDef{};
}

void Lists::finishOverride()
{
    overrideDepth_ = -1;
    if (overrideNumber_ > 0 && (overrides_.size() < kMaxLists || overrides_.count(overrideNumber_)))
        overrides_[overrideNumber_] = overrideList_;
}

void Lists::finishPn(int font)
{
    pnDepth_ = -1;
    pnLabel_.clear();
    if (pnBullet_)
        for (const QChar c : decodeRaw(0, pnFont_ >= 0 ? pnFont_ : font, false))
            if (c.unicode() >= 0x20)
                pnLabel_.append(c);
    raw_.clear();
}

void Lists::beginLabel(int depth, bool pn)
{
    if (labelDepth_ >= 0 || labelEnd_ >= 0)
        return; // one label per paragraph; a second one stays text
    text_.finishRun();
    labelDepth_ = depth;
    labelFromPn_ = pn;
    labelStart_ = text_.paragraph().text.size();
    labelRunStart_ = text_.paragraph().runs.size();
}

void Lists::endLabel(const CharProps& chr)
{
    text_.finishRun();
    labelDepth_ = -1;
    labelEnd_ = text_.paragraph().text.size();
    labelRunEnd_ = text_.paragraph().runs.size();
    labelProps_ = chr;
}

namespace {

QString roman(int n, bool upper)
{
    static constexpr std::pair<int, const char*> parts[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString out;
    for (const auto& [value, text] : parts)
        for (; n >= value; n -= value)
            out += QLatin1String(text);
    return upper ? out.toUpper() : out;
}

// A level number as \levelnfcN shows it; formats not handled here are decimal.
QString levelNumber(int n, int format)
{
    switch (format) {
    case 1:
    case 2:
        if (n > 0 && n < 4000)
            return roman(n, format == 1);
        break;
    case 3:
    case 4:
        if (n > 0 && n <= 26 * 4)
            return QString((n - 1) / 26 + 1, QChar(char16_t((format == 3 ? u'A' : u'a') + (n - 1) % 26)));
        break;
    case 22:
        return n < 10 && n >= 0 ? QLatin1Char('0') + QString::number(n) : QString::number(n);
    default:
        break;
    }
    return QString::number(n);
}

} // namespace

// Counts the paragraph as an item of its list and gives its label from the
// list table: the level text with the numbers of this and the higher levels.
QString Lists::countListItem(int override, int level)
{
    const auto o = overrides_.find(override);
    if (o == overrides_.end())
        return {};
    const auto l = lists_.find(o->second);
    if (l == lists_.end())
        return {};
    const ListDef& list = l->second;
    std::array<int, 9>& counts = counts_[o->second];
    ++counts[std::size_t(level)];
    for (std::size_t deeper = std::size_t(level) + 1; deeper < counts.size(); ++deeper)
        counts[deeper] = 0;
    if (level >= list.count)
        return {};
    QString label;
    for (const QChar c : list.levels[std::size_t(level)].text) {
        const char16_t u = c.unicode();
        if (u < 9) {
            const LevelDef& of = list.levels[u];
            label += levelNumber(of.start + std::max(counts[u], 1) - 1, of.format);
        } else if (u >= 0x20) {
            label += c;
        }
    }
    return label;
}

// A label that shows nothing, a replacement character or a private-use
// character: its bytes were in a symbol font declared with the wrong charset,
// or its symbol has no Unicode character we know.
bool Lists::unreadableLabel() const
{
    const QString& text = text_.paragraph().text;
    qsizetype end = labelEnd_;
    while (end > labelStart_ && text.at(end - 1).isSpace())
        --end;
    if (end == labelStart_)
        return true;
    for (qsizetype i = labelStart_; i < end; ++i) {
        const char16_t u = text.at(i).unicode();
        if (u == QChar::ReplacementCharacter || (u >= 0xE000 && u <= 0xF8FF))
            return true;
    }
    return false;
}

void Lists::finishLabel(int override, int level)
{
    QString fromList;
    if (override > 0)
        fromList = countListItem(override, level);
    if (labelEnd_ >= 0 && !labelProps_.hidden) {
        if (labelFromPn_ && pnBullet_ && !pnLabel_.isEmpty())
            replaceLabel(pnLabel_);
        else if (!labelFromPn_ && !fromList.isEmpty() && unreadableLabel())
            replaceLabel(fromList);
    }
    labelDepth_ = -1;
    labelStart_ = labelEnd_ = -1;
    pnBullet_ = false;
    pnLabel_.clear();
}

// The label's text up to its tab becomes `label`, as one run in the label's format.
void Lists::replaceLabel(const QString& label)
{
    Paragraph& p = text_.paragraph();
    for (std::size_t i = labelRunStart_; i < labelRunEnd_; ++i)
        if (p.runs[i].picture >= 0)
            return;
    // The label's characters were decoded in the font of their definition,
    // but they show in the label's font: a symbol left private there must map
    // as it will when the text is read again in that font.
    const bool wingdings = fonts_.lookup(labelProps_.font).wingdings;
    QString text = label;
    for (QChar& c : text)
        c = QChar(privateUseChar(c.unicode(), wingdings));
    qsizetype core = labelEnd_;
    while (core > labelStart_ && p.text.at(core - 1).isSpace())
        --core;
    const qsizetype delta = text.size() - (core - labelStart_);
    p.text.replace(labelStart_, core - labelStart_, text);
    const Run run{text_.internChar(labelProps_), std::int32_t(labelStart_),
                  std::int32_t(labelEnd_ - labelStart_ + delta), -1};
    p.runs.erase(p.runs.begin() + std::ptrdiff_t(labelRunStart_),
                 p.runs.begin() + std::ptrdiff_t(labelRunEnd_));
    p.runs.insert(p.runs.begin() + std::ptrdiff_t(labelRunStart_), run);
    for (std::size_t i = labelRunStart_ + 1; i < p.runs.size(); ++i)
        p.runs[i].start += std::int32_t(delta);
}

} // namespace rtf
