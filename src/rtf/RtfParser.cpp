#include "rtf/RtfParser.h"

#include "rtf/RtfCodePages.h"
#include "rtf/RtfKeywords.h"
#include "rtf/RtfTokenizer.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <unordered_map>

namespace rtf {

namespace {

enum class Dest : std::uint8_t {
    Normal, // document text
    Skip,   // ignored with all its subgroups
    FontTable,
    ColorTable,
    StyleSheet,
    StyleEntry,
    Pict,
    Object,    // an OLE object: only its \result is shown
    FieldInst, // a field instruction, read for HYPERLINK
    Upr,       // \upr: only its \ud part is read
    UprChild,  // a group inside \upr: skipped unless it is the \ud
    ListTable, // \listtable and its parts, read for list labels
    List,
    ListLevel,
    LevelText,
    OverrideTable, // \listoverridetable and its entries
    Override,
    Pn,      // an old-style paragraph numbering definition
    PnText,  // its \pntxtb: the bullet
    Formula, // our \tikuformula: the LaTeX source of the picture before it
};

struct GroupState
{
    CharProps chr;
    ParaProps para;
    Dest dest = Dest::Normal;
    Dest uprParent = Dest::Normal;
    std::int16_t fieldLink = -1;
    char16_t fieldSymbol = 0; // the character of a SYMBOL field
    std::uint8_t uc = 1;
    std::uint8_t listLevel = 0;    // \ilvlN
    std::int16_t listOverride = 0; // \lsN: 0 outside lists
    std::int16_t lowered = 0;      // \dnN in half-points, \upN negative: for formula pictures
    bool star = false;
    bool started = false; // the group has had a token: \* no longer marks it
};

struct CharPropsHash
{
    std::size_t operator()(const CharProps& c) const noexcept
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
};

struct ParaPropsHash
{
    std::size_t operator()(const ParaProps& p) const noexcept
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
};

struct Style
{
    CharProps chr;
    ParaProps para;
};

struct RowDef
{
    std::vector<CellDef> cells;
    CellDef pending;
};

struct OpenTable
{
    Table table;
    Row row;
    Cell cell;
};

// A list level's label: its text with the level numbers as characters 0..8.
struct LevelDef
{
    QString text;
    int format = 0; // \levelnfcN
    int start = 1;  // \levelstartatN
};

struct ListDef
{
    std::array<LevelDef, 9> levels;
    int count = 0;
};

// The text of \leveltext or \pntxtb as read: bytes are decoded once the
// font is known, which Word gives after the text.
struct RawUnit
{
    char16_t value = 0;
    bool byte = false;
};

struct PictState
{
    Picture pict;
    CharProps chr;
    int depth = 0;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    int lowered = 0;
    int nibble = -1;
    QByteArray kindWord;      // e.g. "\\wmetafile8"
    bool controlsCut = false; // more controls than are kept
};

// Longer font names are cut (counting bytes not yet decoded as characters).
constexpr qsizetype kMaxFontName = 512;
// Longer formula sources are cut; the formula editor takes far less.
constexpr qsizetype kMaxFormulaSource = 65536;

// Paragraph and character styles are numbered apart: \s1 and \cs1 are two styles.
std::int64_t styleKey(int number, bool characterStyle)
{
    return std::int64_t(characterStyle) << 32 | std::uint32_t(number);
}

int clampInt(std::int32_t v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

std::int16_t clamp16(std::int32_t v, int lo, int hi)
{
    return std::int16_t(clampInt(v, lo, hi));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Parser
{
public:
    Content run(QByteArrayView data);

private:
    GroupState& st() { return stack_.back(); }
    int depth() const { return int(stack_.size()) - 1; }

    void groupStart();
    void groupEnd();
    void controlWord(const Token& t);
    void controlSymbol(std::uint8_t c);
    void text(std::string_view bytes);
    void hexBytes(std::string_view bytes);
    void binary(std::string_view bytes);

    // Document text.
    int codePage();
    int codePageOf(int font, bool* wingdings) const;
    void appendBytes(std::string_view bytes);
    void appendUnit(char16_t c);
    void appendSpecial(char16_t c);
    void beginText();
    void flushBytes();
    void flushHighSurrogate();
    void closeRun();
    int internChar(const CharProps& c);
    int internPara(const ParaProps& p);

    // Paragraphs and tables.
    void endParagraph(int level);
    std::vector<BlockRef>& container(int level);
    void setTableDepth(int level);
    void closeTable();
    void finishRow(int level);
    void endCell(int level);
    void endRow(int level);
    RowDef& rowDefFor(int level);

    // Destinations.
    void destinationWord(Kw kw);
    void fontText(std::string_view bytes);
    void commitFont();
    void fontChanged();
    int fontNameIndex(int number);
    int fontEntryCodePage() const;
    void decodeFontBytes();
    void colorText(std::string_view bytes);
    void pictWord(Kw kw, const Token& t);
    void pictText(std::string_view bytes);
    void finishPicture();
    void finishFieldInstruction();
    void finishSymbolField(QStringView args);
    void decodeFieldBytes();
    void finishStyle();
    void finishFormula();
    void decodeFormulaBytes();

    // Lists and their labels.
    void rawText(std::string_view bytes);
    void rawUnit(char16_t c);
    QString decodeRaw(std::size_t from, int font, bool levelText);
    void finishLevel();
    void finishList();
    void finishOverride();
    void finishPn();
    void beginLabel(bool pn);
    void endLabel();
    void finishLabel();
    QString countListItem(int override, int level);
    bool unreadableLabel() const;
    void replaceLabel(const QString& label);

    Content c_;
    std::vector<GroupState> stack_;
    int overflow_ = 0;
    bool finished_ = false;
    int docCodePage_ = 1252;
    int skip_ = 0;
    char16_t pendingHigh_ = 0;

    // The open paragraph and its open run.
    Paragraph cur_;
    CharProps runProps_;
    bool runOpen_ = false;
    qsizetype runStart_ = 0;
    std::string pendingBytes_;
    int pendingCp_ = 0;
    bool pendingWingdings_ = false;
    int cachedFont_ = -2;
    int cachedCp_ = 1252;
    bool cachedWingdings_ = false;
    std::map<int, Font> fonts_;
    int defaultFont_ = -1;
    int fontGeneration_ = 0;
    int namedFont_ = -2, namedGeneration_ = -1, namedIndex_ = -1;
    std::unordered_map<QString, int> fontNameIndex_;
    ByteDecoder decoder_;

    std::unordered_map<CharProps, int, CharPropsHash> charIndex_;
    std::unordered_map<ParaProps, int, ParaPropsHash> paraIndex_;

    std::vector<OpenTable> open_;
    std::vector<RowDef> rowDefs_ = std::vector<RowDef>(kMaxTableNesting + 1);
    int nestPropsDepth_ = -1;

    // Font table entry being read.
    int fontNumber_ = -1;
    int fontCharset_ = -1;
    int fontCodePage_ = 0;
    std::string fontBytes_;
    QString fontName_;
    bool fontCommitted_ = true;

    // Colour table entry being read.
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;

    // Style sheet entry being read.
    std::unordered_map<std::int64_t, Style> styles_;
    int styleNumber_ = -1;
    bool styleIsChar_ = false;

    std::unique_ptr<PictState> pict_;
    // The formula source group being read.
    int formulaDepth_ = -1;
    std::string formulaBytes_;
    QString formula_;
    std::string fieldInstBytes_;
    QString fieldInst_;
    int fieldInstDepth_ = -1;
    // The field whose result is being read, and how much text the paragraph
    // had when its result began: an empty result shows a SYMBOL field's character.
    int fieldDepth_ = -1;
    qsizetype fieldResultStart_ = -1;
    int footnoteNumber_ = 0;

    // The list table (by \listid), the list overrides (\ls to \listid) and
    // the items counted so far in each list and level.
    std::unordered_map<int, ListDef> lists_;
    std::unordered_map<int, int> overrides_;
    std::unordered_map<int, std::array<int, 9>> counts_;
    ListDef list_;
    LevelDef level_;
    int listId_ = 0;
    int listDepth_ = -1;
    int levelDepth_ = -1;
    int overrideList_ = 0;
    int overrideNumber_ = 0;
    int overrideDepth_ = -1;
    std::vector<RawUnit> raw_;

    // An old-style bullet definition (\pn\pnlvlblt) of the open paragraph.
    int pnDepth_ = -1;
    int pnFont_ = -1;
    bool pnBullet_ = false;
    QString pnLabel_;

    // The label group (\listtext, \pntext) of the open paragraph: where its
    // text and runs are, to be replaced at the paragraph's end when the list
    // definition that follows it gives a better one.
    int labelDepth_ = -1;
    bool labelFromPn_ = false;
    qsizetype labelStart_ = -1;
    qsizetype labelEnd_ = -1;
    std::size_t labelRunStart_ = 0;
    std::size_t labelRunEnd_ = 0;
    CharProps labelProps_;
};

Content Parser::run(QByteArrayView data)
{
    stack_.reserve(64);
    stack_.push_back(GroupState{}); // the state outside every group
    Tokenizer tokenizer(std::string_view(data.data(), std::size_t(data.size())));
    while (!finished_) {
        const Token t = tokenizer.next();
        if (t.type != TokenType::ControlSymbol || t.byte != '*')
            st().started = true;
        switch (t.type) {
        case TokenType::End:
            finished_ = true;
            break;
        case TokenType::GroupStart:
            skip_ = 0;
            groupStart();
            break;
        case TokenType::GroupEnd:
            skip_ = 0;
            groupEnd();
            break;
        case TokenType::ControlWord:
            skip_ = 0;
            controlWord(t);
            break;
        case TokenType::ControlSymbol:
            controlSymbol(t.byte);
            break;
        case TokenType::HexBytes:
            // Each escaped byte counts as one character of a \u fallback.
            if (skip_ > 0) {
                const std::size_t n = std::min<std::size_t>(std::size_t(skip_), t.text.size());
                skip_ -= int(n);
                if (n < t.text.size())
                    hexBytes(t.text.substr(n));
                break;
            }
            hexBytes(t.text);
            break;
        case TokenType::Text:
            if (skip_ > 0) {
                const std::size_t n = std::min<std::size_t>(std::size_t(skip_), t.text.size());
                skip_ -= int(n);
                if (n < t.text.size())
                    text(t.text.substr(n));
                break;
            }
            text(t.text);
            break;
        case TokenType::Binary:
            if (skip_ > 0) {
                --skip_;
                break;
            }
            binary(t.text);
            break;
        }
    }
    // Close what a truncated document left open.
    while (depth() > 0)
        groupEnd();
    flushBytes();
    flushHighSurrogate();
    closeRun();
    if (!cur_.text.isEmpty() || !cur_.runs.empty())
        endParagraph(st().para.tableLevel());
    setTableDepth(0);
    return std::move(c_);
}

// ---------------------------------------------------------------------------
// Groups

void Parser::groupStart()
{
    if (depth() >= kMaxGroupDepth) {
        ++overflow_;
        return;
    }
    GroupState next = st();
    next.star = false;
    next.started = false;
    switch (next.dest) {
    case Dest::StyleSheet:
        next.dest = Dest::StyleEntry;
        next.chr = CharProps{};
        next.para = ParaProps{};
        styleNumber_ = 0;
        styleIsChar_ = false;
        break;
    case Dest::Pict:
        next.dest = Dest::Skip;
        break;
    case Dest::Upr:
        next.dest = Dest::UprChild;
        break;
    case Dest::UprChild:
    case Dest::Formula:
        next.dest = Dest::Skip;
        break;
    default:
        break;
    }
    stack_.push_back(next);
}

void Parser::groupEnd()
{
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (depth() == 0)
        return; // an extra closing brace
    const GroupState& s = st();
    if (pict_ && pict_->depth == depth())
        finishPicture();
    if (fieldInstDepth_ == depth())
        finishFieldInstruction();
    if (formulaDepth_ == depth())
        finishFormula();
    if (nestPropsDepth_ == depth())
        nestPropsDepth_ = -1;
    if (fieldDepth_ == depth()) {
        fieldDepth_ = -1;
        if (s.fieldSymbol && s.dest == Dest::Normal && fieldResultStart_ >= 0) {
            flushBytes();
            const bool empty = cur_.text.size() <= fieldResultStart_;
            fieldResultStart_ = -1;
            if (empty) {
                // The symbol takes the format of the field's group.
                appendSpecial(s.fieldSymbol);
            }
        }
    }
    if (s.dest == Dest::FontTable)
        commitFont();
    if (s.dest == Dest::StyleEntry)
        finishStyle();
    if (labelDepth_ == depth())
        endLabel();
    if (levelDepth_ == depth())
        finishLevel();
    if (listDepth_ == depth())
        finishList();
    if (overrideDepth_ == depth())
        finishOverride();
    if (pnDepth_ == depth())
        finishPn();
    stack_.pop_back();
    // The document ends with its outermost group, as in Word: what follows
    // (padding, or a second document pasted behind it) is not part of it.
    if (depth() == 0)
        finished_ = true;
}

// ---------------------------------------------------------------------------
// Control words

void Parser::controlWord(const Token& t)
{
    const Kw kw = keyword(t.text);
    GroupState& s = st();

    if (s.dest == Dest::Skip)
        return;
    if (s.dest == Dest::UprChild) {
        // Only the Unicode alternative is read, in the destination around \upr.
        s.dest = kw == Kw::ud ? stack_[stack_.size() - 2].uprParent : Dest::Skip;
        s.star = false;
        return;
    }
    if (s.star) {
        s.star = false;
        switch (kw) {
        case Kw::shppict:
        case Kw::fldinst:
        case Kw::ud:
        case Kw::nesttableprops:
        case Kw::moMath:
        case Kw::moMathPara:
        case Kw::listtable:
        case Kw::listoverridetable:
        case Kw::pn:
        case Kw::tikuformula:
            break;
        case Kw::cs:
        case Kw::ds:
        case Kw::ts:
            if (s.dest == Dest::StyleEntry)
                break;
            s.dest = Dest::Skip;
            return;
        default:
            s.dest = Dest::Skip;
            return;
        }
    }
    if (s.dest == Dest::Pict) {
        pictWord(kw, t);
        return;
    }
    // A formula's source is text: only \uN (and \ucN for its fallback) count;
    // nothing in it may change the document around it.
    if (s.dest == Dest::Formula && kw != Kw::u && kw != Kw::uc && kw != Kw::tab)
        return;

    const std::int32_t p = t.param;
    const bool on = !t.hasParam || p != 0;
    CharProps& chr = s.chr;
    ParaProps& para = s.para;
    switch (kw) {
    case Kw::Unknown:
    case Kw::rtf:
        return;

    // Document code page.
    case Kw::ansi:
        docCodePage_ = 1252;
        cachedFont_ = -2;
        return;
    case Kw::mac:
        docCodePage_ = 10000;
        cachedFont_ = -2;
        return;
    case Kw::pc:
        docCodePage_ = 437;
        cachedFont_ = -2;
        return;
    case Kw::pca:
        docCodePage_ = 850;
        cachedFont_ = -2;
        return;
    case Kw::ansicpg:
        if (t.hasParam && p > 0 && p < 100000) {
            docCodePage_ = p;
            cachedFont_ = -2;
        }
        return;
    case Kw::deff:
        fontChanged();
        defaultFont_ = p;
        return;
    case Kw::uc:
        s.uc = std::uint8_t(clampInt(p, 0, 16));
        return;
    case Kw::u: {
        int v = p;
        if (v < 0)
            v += 65536;
        if (v > 0x10FFFF) {
            appendUnit(QChar::ReplacementCharacter);
        } else if (v > 0xFFFF) {
            // Not RTF, but some writers give the code point itself.
            appendUnit(QChar::highSurrogate(char32_t(v)));
            appendUnit(QChar::lowSurrogate(char32_t(v)));
        } else {
            char16_t c = char16_t(v & 0xFFFF);
            // A list label's characters are mapped once its font is known.
            if (s.dest != Dest::LevelText && s.dest != Dest::PnText) {
                if (const int cp = codePage(); cp == kSymbolCodePage || cp == kWingdingsCodePage)
                    c = symbolFontChar(cp, c);
            }
            appendUnit(c);
        }
        skip_ = s.uc;
        return;
    }

    // Character formatting.
    case Kw::plain:
        chr = CharProps{};
        s.lowered = 0;
        return;
    case Kw::b:
        chr.bold = on;
        return;
    case Kw::i:
        chr.italic = on;
        return;
    case Kw::ul:
        chr.underline = on ? Underline::Single : Underline::None;
        return;
    case Kw::ulnone:
        chr.underline = Underline::None;
        return;
    case Kw::uld:
        chr.underline = on ? Underline::Dotted : Underline::None;
        return;
    case Kw::uldash:
    case Kw::ulldash:
    case Kw::ulthdash:
    case Kw::ulthldash:
        chr.underline = on ? Underline::Dashed : Underline::None;
        return;
    case Kw::uldashd:
    case Kw::ulthdashd:
        chr.underline = on ? Underline::DashDot : Underline::None;
        return;
    case Kw::uldashdd:
    case Kw::ulthdashdd:
        chr.underline = on ? Underline::DashDotDot : Underline::None;
        return;
    case Kw::ulwave:
    case Kw::ulhwave:
    case Kw::ululdbwave:
        chr.underline = on ? Underline::Wave : Underline::None;
        return;
    case Kw::uldb:
    case Kw::ulth:
    case Kw::ulw:
    case Kw::ulthd:
        chr.underline = on ? Underline::Single : Underline::None;
        return;
    case Kw::strike:
    case Kw::striked:
        chr.strike = on;
        return;
    case Kw::super:
        chr.vertical = on ? VerticalAlign::Super : VerticalAlign::Normal;
        s.lowered = 0;
        return;
    case Kw::sub:
        chr.vertical = on ? VerticalAlign::Sub : VerticalAlign::Normal;
        s.lowered = 0;
        return;
    case Kw::nosupersub:
        chr.vertical = VerticalAlign::Normal;
        s.lowered = 0;
        return;
    case Kw::up:
        chr.vertical = t.hasParam && p == 0 ? VerticalAlign::Normal : VerticalAlign::Super;
        s.lowered = std::int16_t(t.hasParam ? -clampInt(p, -2000, 2000) : -6); // 3 points when no number
        return;
    case Kw::dn:
        chr.vertical = t.hasParam && p == 0 ? VerticalAlign::Normal : VerticalAlign::Sub;
        s.lowered = std::int16_t(t.hasParam ? clampInt(p, -2000, 2000) : 6);
        return;
    case Kw::f:
        if (s.dest == Dest::FontTable) {
            commitFont();
            fontNumber_ = p;
            fontCharset_ = -1;
            fontCodePage_ = 0;
            fontBytes_.clear();
            fontName_.clear();
            fontCommitted_ = false;
            return;
        }
        chr.font = t.hasParam ? p : -1;
        return;
    case Kw::fs:
        chr.halfPoints = t.hasParam && p > 0 ? clamp16(p, 1, 3276) : 24;
        return;
    case Kw::cf:
        chr.foreground = clamp16(p, 0, 32767);
        return;
    case Kw::cb:
    case Kw::highlight:
    case Kw::chcbpat:
        chr.background = clamp16(p, 0, 32767);
        return;
    case Kw::caps:
        chr.caps = on;
        return;
    case Kw::scaps:
        chr.smallCaps = on;
        return;
    case Kw::v:
        chr.hidden = on;
        return;

    // Font and colour tables.
    case Kw::fcharset:
        if (s.dest == Dest::FontTable)
            fontCharset_ = p;
        return;
    case Kw::cpg:
        if (s.dest == Dest::FontTable && p > 0)
            fontCodePage_ = p;
        return;
    case Kw::red:
        red_ = clampInt(p, 0, 255);
        colorSet_ = true;
        return;
    case Kw::green:
        green_ = clampInt(p, 0, 255);
        colorSet_ = true;
        return;
    case Kw::blue:
        blue_ = clampInt(p, 0, 255);
        colorSet_ = true;
        return;

    // Styles.
    case Kw::s:
    case Kw::cs:
    case Kw::ds:
    case Kw::ts:
        if (s.dest == Dest::StyleEntry) {
            styleNumber_ = kw == Kw::s || kw == Kw::cs ? p : -1;
            styleIsChar_ = kw == Kw::cs;
            return;
        }
        if (kw == Kw::s || kw == Kw::cs) {
            const auto it = styles_.find(styleKey(p, kw == Kw::cs));
            if (it == styles_.end())
                return;
            // Only what the style changes from the defaults is applied, so
            // formatting given before the style reference survives.
            const CharProps def;
            const CharProps& sc = it->second.chr;
            if (sc.font != def.font)
                chr.font = sc.font;
            if (sc.halfPoints != def.halfPoints)
                chr.halfPoints = sc.halfPoints;
            if (sc.foreground != def.foreground)
                chr.foreground = sc.foreground;
            if (sc.background != def.background)
                chr.background = sc.background;
            if (sc.underline != def.underline)
                chr.underline = sc.underline;
            if (sc.vertical != def.vertical)
                chr.vertical = sc.vertical;
            if (sc.bold)
                chr.bold = true;
            if (sc.italic)
                chr.italic = true;
            if (sc.strike)
                chr.strike = true;
            if (sc.caps)
                chr.caps = true;
            if (sc.smallCaps)
                chr.smallCaps = true;
            if (kw == Kw::s) {
                ParaProps sp = it->second.para;
                sp.inTable = para.inTable;
                sp.nesting = para.nesting;
                para = sp;
            }
        }
        return;

    // Paragraph formatting.
    case Kw::pard:
        para = ParaProps{};
        s.listOverride = 0;
        s.listLevel = 0;
        return;
    case Kw::ql:
        para.align = Align::Left;
        return;
    case Kw::qc:
        para.align = Align::Center;
        return;
    case Kw::qr:
        para.align = Align::Right;
        return;
    case Kw::qj:
    case Kw::qd:
        para.align = Align::Justify;
        return;
    case Kw::li:
    case Kw::lin:
        para.leftIndent = clampInt(p, -31680, 31680);
        return;
    case Kw::ri:
    case Kw::rin:
        para.rightIndent = clampInt(p, -31680, 31680);
        return;
    case Kw::fi:
        para.firstIndent = clampInt(p, -31680, 31680);
        return;
    case Kw::sb:
        para.spaceBefore = clampInt(p, 0, 31680);
        return;
    case Kw::sa:
        para.spaceAfter = clampInt(p, 0, 31680);
        return;
    case Kw::sl:
        para.lineSpacing = clampInt(p, -31680, 31680);
        return;
    case Kw::slmult:
        para.lineMultiple = on;
        return;
    case Kw::intbl:
        para.inTable = on;
        return;
    case Kw::itap:
        para.nesting = clamp16(p, 0, kMaxTableNesting);
        return;

    // Tables.
    case Kw::trowd: {
        RowDef& def = rowDefFor(nestPropsDepth_ >= 0 ? std::max(2, para.tableLevel()) : 1);
        def = RowDef{};
        return;
    }
    case Kw::cellx: {
        RowDef& def = rowDefFor(nestPropsDepth_ >= 0 ? std::max(2, para.tableLevel()) : 1);
        CellDef cell = def.pending;
        cell.right = clampInt(p, -kMaxCellBoundary, kMaxCellBoundary);
        if (def.cells.size() < std::size_t(kMaxCellsPerRow))
            def.cells.push_back(cell);
        def.pending = CellDef{};
        return;
    }
    case Kw::clmgf:
    case Kw::clmrg:
    case Kw::clvmgf:
    case Kw::clvmrg: {
        RowDef& def = rowDefFor(nestPropsDepth_ >= 0 ? std::max(2, para.tableLevel()) : 1);
        if (kw == Kw::clmgf)
            def.pending.horizontal = Merge::First;
        else if (kw == Kw::clmrg)
            def.pending.horizontal = Merge::Continue;
        else if (kw == Kw::clvmgf)
            def.pending.vertical = Merge::First;
        else
            def.pending.vertical = Merge::Continue;
        return;
    }
    case Kw::clftsWidth: {
        RowDef& def = rowDefFor(nestPropsDepth_ >= 0 ? std::max(2, para.tableLevel()) : 1);
        def.pending.widthType = p == 1   ? WidthType::Auto
                                : p == 2 ? WidthType::Percent
                                : p == 3 ? WidthType::Twips
                                         : WidthType::None;
        return;
    }
    case Kw::clwWidth:
        rowDefFor(nestPropsDepth_ >= 0 ? std::max(2, para.tableLevel()) : 1).pending.width =
            clampInt(p, 0, 169920);
        return;
    case Kw::brdrs:
    case Kw::brdrth:
    case Kw::brdrsh:
    case Kw::brdrdb:
    case Kw::brdrdot:
    case Kw::brdrdash:
    case Kw::brdrhair:
    case Kw::brdrtriple:
    case Kw::brdrinset:
    case Kw::brdroutset:
        rowDefFor(nestPropsDepth_ >= 0 ? std::max(2, para.tableLevel()) : 1).pending.borders = true;
        return;
    case Kw::brdrw:
        return;
    case Kw::cell:
        if (s.dest != Dest::Normal)
            return;
        endCell(std::max(1, para.tableLevel()));
        return;
    case Kw::nestcell:
        if (s.dest != Dest::Normal)
            return;
        endCell(std::max(2, para.tableLevel()));
        return;
    case Kw::row:
        if (s.dest != Dest::Normal)
            return;
        endRow(1);
        return;
    case Kw::nestrow:
        if (s.dest != Dest::Normal)
            return;
        endRow(std::max(2, para.tableLevel()));
        return;

    // Paragraph and special characters.
    case Kw::par:
        if (s.dest == Dest::Normal)
            endParagraph(para.tableLevel());
        return;
    case Kw::sect:
        if (s.dest == Dest::Normal && (!cur_.text.isEmpty() || !cur_.runs.empty() || !pendingBytes_.empty()))
            endParagraph(para.tableLevel());
        return;
    case Kw::page:
        return;
    case Kw::line:
        appendSpecial(QChar::LineSeparator);
        return;
    case Kw::tab:
        appendSpecial(u'\t');
        return;
    case Kw::emdash:
        appendSpecial(u'\u2014');
        return;
    case Kw::endash:
        appendSpecial(u'\u2013');
        return;
    case Kw::emspace:
        appendSpecial(u'\u2003');
        return;
    case Kw::enspace:
        appendSpecial(u'\u2002');
        return;
    case Kw::qmspace:
        appendSpecial(u'\u2005');
        return;
    case Kw::bullet:
        appendSpecial(u'\u2022');
        return;
    case Kw::lquote:
        appendSpecial(u'\u2018');
        return;
    case Kw::rquote:
        appendSpecial(u'\u2019');
        return;
    case Kw::ldblquote:
        appendSpecial(u'\u201C');
        return;
    case Kw::rdblquote:
        appendSpecial(u'\u201D');
        return;
    case Kw::zwj:
        appendSpecial(u'\u200D');
        return;
    case Kw::zwnj:
        appendSpecial(u'\u200C');
        return;
    case Kw::ltrmark:
        appendSpecial(u'\u200E');
        return;
    case Kw::rtlmark:
        appendSpecial(u'\u200F');
        return;
    // Lists.
    case Kw::listtext:
    case Kw::pntext:
        if (s.dest == Dest::Normal)
            beginLabel(kw == Kw::pntext);
        return;
    case Kw::ls:
        if (s.dest == Dest::Override)
            overrideNumber_ = p;
        else
            s.listOverride = clamp16(p, 0, 32767);
        return;
    case Kw::ilvl:
        s.listLevel = std::uint8_t(clampInt(p, 0, 8));
        return;
    case Kw::list:
        if (s.dest == Dest::ListTable) {
            s.dest = Dest::List;
            listDepth_ = depth();
            list_ = ListDef{};
            listId_ = 0;
        }
        return;
    case Kw::listlevel:
        if (s.dest == Dest::List) {
            s.dest = Dest::ListLevel;
            levelDepth_ = depth();
            level_ = LevelDef{};
            raw_.clear();
        }
        return;
    case Kw::leveltext:
        if (s.dest == Dest::ListLevel) {
            s.dest = Dest::LevelText;
            raw_.clear();
        }
        return;
    case Kw::levelnfc:
    case Kw::levelnfcn:
        if (s.dest == Dest::ListLevel)
            level_.format = clampInt(p, 0, 255);
        return;
    case Kw::levelstartat:
        if (s.dest == Dest::ListLevel)
            level_.start = clampInt(p, 0, 32767);
        return;
    case Kw::listid:
        if (s.dest == Dest::List)
            listId_ = p;
        else if (s.dest == Dest::Override)
            overrideList_ = p;
        return;
    case Kw::listoverride:
        if (s.dest == Dest::OverrideTable) {
            s.dest = Dest::Override;
            overrideDepth_ = depth();
            overrideList_ = 0;
            overrideNumber_ = 0;
        }
        return;
    case Kw::pnlvlblt:
        if (s.dest == Dest::Pn)
            pnBullet_ = true;
        return;
    case Kw::pnf:
        if (s.dest == Dest::Pn)
            pnFont_ = p;
        return;
    case Kw::pntxtb:
        if (s.dest == Dest::Pn) {
            s.dest = Dest::PnText;
            raw_.clear();
        }
        return;
    case Kw::pntxta:
        if (s.dest == Dest::Pn)
            s.dest = Dest::Skip;
        return;

    case Kw::chftn:
        if (s.dest == Dest::Normal) {
            const QString number = QString::number(++footnoteNumber_);
            for (const QChar ch : number)
                appendSpecial(ch.unicode());
        }
        return;

    default:
        destinationWord(kw);
        return;
    }
}

void Parser::destinationWord(Kw kw)
{
    GroupState& s = st();
    switch (kw) {
    case Kw::fonttbl:
        s.dest = Dest::FontTable;
        return;
    case Kw::colortbl:
        s.dest = Dest::ColorTable;
        red_ = green_ = blue_ = 0;
        colorSet_ = false;
        return;
    case Kw::stylesheet:
        s.dest = Dest::StyleSheet;
        return;
    case Kw::pict:
        if (s.dest != Dest::Normal || pict_) {
            s.dest = Dest::Skip;
            return;
        }
        pict_ = std::make_unique<PictState>();
        pict_->depth = depth();
        pict_->chr = s.chr;
        pict_->lowered = s.lowered;
        s.dest = Dest::Pict;
        return;
    case Kw::tikuformula:
        if (s.dest != Dest::Normal || s.chr.hidden || formulaDepth_ >= 0) {
            s.dest = Dest::Skip;
            return;
        }
        s.dest = Dest::Formula;
        formulaDepth_ = depth();
        formula_.clear();
        formulaBytes_.clear();
        return;
    case Kw::shppict:
    case Kw::mmath:
    case Kw::moMath:
    case Kw::moMathPara:
        return; // their content is read as it comes
    case Kw::nonshppict:
    case Kw::nonesttables:
        s.dest = Dest::Skip;
        return;
    case Kw::object:
        if (s.dest == Dest::Normal)
            s.dest = Dest::Object;
        return;
    case Kw::result:
        if (s.dest == Dest::Object)
            s.dest = Dest::Normal;
        return;
    case Kw::field:
        s.fieldLink = -1;
        s.fieldSymbol = 0;
        if (s.dest == Dest::Normal) {
            fieldDepth_ = depth();
            fieldResultStart_ = -1;
        }
        return;
    case Kw::fldinst:
        if (s.dest != Dest::Normal) {
            s.dest = Dest::Skip;
            return;
        }
        s.dest = Dest::FieldInst;
        fieldInst_.clear();
        fieldInstBytes_.clear();
        fieldInstDepth_ = depth();
        return;
    case Kw::fldrslt:
        if (s.fieldLink >= 0)
            s.chr.link = s.fieldLink;
        if (fieldDepth_ == depth() - 1) {
            flushBytes();
            fieldResultStart_ = cur_.text.size();
        }
        return;
    case Kw::nesttableprops:
        nestPropsDepth_ = depth();
        return;
    case Kw::upr:
        s.uprParent = s.dest;
        s.dest = Dest::Upr;
        return;
    case Kw::ud:
        return;
    case Kw::listtable:
        s.dest = s.dest == Dest::Normal ? Dest::ListTable : Dest::Skip;
        return;
    case Kw::listoverridetable:
        s.dest = s.dest == Dest::Normal ? Dest::OverrideTable : Dest::Skip;
        return;
    case Kw::pn:
        if (s.dest != Dest::Normal || pnDepth_ >= 0) {
            s.dest = Dest::Skip;
            return;
        }
        s.dest = Dest::Pn;
        pnDepth_ = depth();
        pnFont_ = -1;
        pnBullet_ = false;
        raw_.clear();
        return;
    case Kw::footnote:
    case Kw::info:
    case Kw::header:
    case Kw::headerl:
    case Kw::headerr:
    case Kw::headerf:
    case Kw::footer:
    case Kw::footerl:
    case Kw::footerr:
    case Kw::footerf:
    case Kw::annotation:
    case Kw::revtbl:
    case Kw::rsidtbl:
    case Kw::xmlnstbl:
    case Kw::filetbl:
    case Kw::generator:
    case Kw::themedata:
    case Kw::colorschememapping:
    case Kw::latentstyles:
    case Kw::datastore:
    case Kw::objdata:
    case Kw::objclass:
    case Kw::template_:
    case Kw::docvar:
    case Kw::pgdsctbl:
    case Kw::xe:
    case Kw::tc:
    case Kw::txe:
    case Kw::bkmkstart:
    case Kw::bkmkend:
    case Kw::sp:
    case Kw::shpinst:
    case Kw::do_:
    case Kw::userprops:
    case Kw::private_:
    case Kw::pnseclvl:
    case Kw::ftnsep:
    case Kw::ftnsepc:
    case Kw::ftncn:
    case Kw::aftnsep:
    case Kw::aftnsepc:
    case Kw::aftncn:
    case Kw::mmathPr:
    case Kw::falt:
    case Kw::panose:
    case Kw::picprop:
    case Kw::blipuid:
    case Kw::atnid:
    case Kw::atnauthor:
    case Kw::atrfstart:
    case Kw::atrfend:
    case Kw::background:
    case Kw::listpicture:
    case Kw::fchars:
    case Kw::lchars:
    case Kw::pgptbl:
    case Kw::protusertbl:
    case Kw::keywords:
    case Kw::author:
    case Kw::operator_:
    case Kw::title:
    case Kw::subject:
    case Kw::comment:
    case Kw::company:
    case Kw::doccomm:
    case Kw::hlinkbase:
        s.dest = Dest::Skip;
        return;
    default:
        return;
    }
}

void Parser::controlSymbol(std::uint8_t c)
{
    GroupState& s = st();
    if (c == '*') {
        // Only at the start of a group does \* mark an optional destination.
        s.star = !s.started;
        return;
    }
    char16_t ch = 0;
    switch (c) {
    case '\\':
    case '{':
    case '}': {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        // Escaped ASCII is a byte of the current code page: it may be the trail
        // byte of a double-byte character.
        const char b = char(c);
        text(std::string_view(&b, 1));
        return;
    }
    case '~':
        ch = u'\u00A0';
        break;
    case '-':
        ch = u'\u00AD';
        break;
    case '_':
        ch = u'\u2011';
        break;
    case '\n':
        skip_ = 0;
        if (s.dest == Dest::Normal)
            endParagraph(s.para.tableLevel());
        return;
    case '\t':
        ch = u'\t';
        break;
    default:
        return; // \| \: and unknown symbols
    }
    if (skip_ > 0) {
        --skip_;
        return;
    }
    appendSpecial(ch);
}

// ---------------------------------------------------------------------------
// Text

void Parser::text(std::string_view bytes)
{
    if (depth() == 0)
        return; // text outside the document group
    switch (st().dest) {
    case Dest::Normal:
        appendBytes(bytes);
        return;
    case Dest::FontTable:
        fontText(bytes);
        return;
    case Dest::ColorTable:
        colorText(bytes);
        return;
    case Dest::Pict:
        pictText(bytes);
        return;
    case Dest::FieldInst:
        if (fieldInstBytes_.size() + bytes.size() < 4096)
            fieldInstBytes_.append(bytes);
        return;
    case Dest::Formula:
        if (qsizetype(formulaBytes_.size() + bytes.size()) + formula_.size() < kMaxFormulaSource)
            formulaBytes_.append(bytes);
        return;
    case Dest::StyleEntry:
        if (bytes.find(';') != std::string_view::npos)
            finishStyle();
        return;
    case Dest::LevelText:
    case Dest::PnText:
        rawText(bytes);
        return;
    default:
        return;
    }
}

void Parser::hexBytes(std::string_view bytes)
{
    const Dest d = st().dest;
    if (d == Dest::Pict || d == Dest::ColorTable || d == Dest::StyleEntry)
        return; // escaped bytes are never picture data nor separators
    text(bytes);
}

void Parser::binary(std::string_view bytes)
{
    if (st().dest == Dest::Pict) {
        pict_->pict.data.append(bytes.data(), qsizetype(bytes.size()));
        pict_->nibble = -1;
    }
}

int Parser::codePage()
{
    const int font = st().chr.font;
    if (font != cachedFont_) {
        cachedFont_ = font;
        cachedCp_ = codePageOf(font, &cachedWingdings_);
    }
    return cachedCp_;
}

// A font's code page, the document's when the font names none.
int Parser::codePageOf(int font, bool* wingdings) const
{
    const auto it = fonts_.find(font >= 0 ? font : defaultFont_);
    *wingdings = it != fonts_.end() && it->second.wingdings;
    return it != fonts_.end() && it->second.codePage > 0 ? it->second.codePage : docCodePage_;
}

void Parser::beginText()
{
    if (!runOpen_ || !(runProps_ == st().chr)) {
        flushBytes();
        flushHighSurrogate();
        closeRun();
        runProps_ = st().chr;
        runOpen_ = true;
        runStart_ = cur_.text.size();
    }
}

void Parser::appendBytes(std::string_view bytes)
{
    if (st().chr.hidden)
        return;
    const int cp = codePage();
    beginText();
    if (!pendingBytes_.empty() && pendingCp_ != cp)
        flushBytes();
    if (pendingHigh_)
        flushHighSurrogate();
    pendingCp_ = cp;
    pendingWingdings_ = cachedWingdings_;
    pendingBytes_.append(bytes);
}

void Parser::flushBytes()
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

void Parser::flushHighSurrogate()
{
    if (pendingHigh_) {
        pendingHigh_ = 0;
        cur_.text.append(QChar(QChar::ReplacementCharacter));
    }
}

void Parser::appendUnit(char16_t c)
{
    const Dest d = st().dest;
    if (d == Dest::FontTable) {
        if (!fontCommitted_ && fontName_.size() + qsizetype(fontBytes_.size()) < kMaxFontName) {
            decodeFontBytes();
            fontName_.append(QChar(c));
        }
        return;
    }
    if (d == Dest::FieldInst) {
        if (fieldInst_.size() < 4096) {
            decodeFieldBytes();
            fieldInst_.append(QChar(c));
        }
        return;
    }
    if (d == Dest::LevelText || d == Dest::PnText) {
        rawUnit(c);
        return;
    }
    if (d == Dest::Formula) {
        // Units as they come: a source is kept exactly, surrogate pairs and all.
        if (formula_.size() + qsizetype(formulaBytes_.size()) < kMaxFormulaSource) {
            decodeFormulaBytes();
            formula_.append(QChar(c));
        }
        return;
    }
    if (d != Dest::Normal || st().chr.hidden)
        return;
    beginText();
    flushBytes();
    // Every private-use symbol in the text is mapped, whichever way it came,
    // so that the text written and read again maps to itself.
    codePage();
    c = privateUseChar(c, cachedWingdings_);
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

void Parser::appendSpecial(char16_t c)
{
    const Dest d = st().dest;
    if (d == Dest::FontTable || d == Dest::FieldInst || d == Dest::LevelText || d == Dest::PnText ||
        d == Dest::Formula) {
        appendUnit(c);
        return;
    }
    if (st().dest != Dest::Normal || st().chr.hidden)
        return;
    beginText();
    flushBytes();
    flushHighSurrogate();
    codePage();
    cur_.text.append(QChar(privateUseChar(c, cachedWingdings_)));
}

void Parser::closeRun()
{
    if (runOpen_ && cur_.text.size() > runStart_) {
        cur_.runs.push_back(Run{internChar(runProps_), std::int32_t(runStart_),
                                std::int32_t(cur_.text.size() - runStart_), -1});
    }
    runOpen_ = false;
}

int Parser::internChar(const CharProps& c)
{
    CharProps named = c;
    named.font = fontNameIndex(c.font);
    const auto [it, inserted] = charIndex_.try_emplace(named, int(c_.charFormats.size()));
    if (inserted)
        c_.charFormats.push_back(named);
    return it->second;
}

int Parser::internPara(const ParaProps& p)
{
    const auto [it, inserted] = paraIndex_.try_emplace(p, int(c_.paraFormats.size()));
    if (inserted)
        c_.paraFormats.push_back(p);
    return it->second;
}

// ---------------------------------------------------------------------------
// Paragraphs and tables

void Parser::endParagraph(int level)
{
    flushBytes();
    flushHighSurrogate();
    closeRun();
    finishLabel();
    cur_.format = internPara(st().para);
    cur_.endFormat = internChar(st().chr);
    setTableDepth(level);
    const int index = int(c_.paragraphs.size());
    c_.paragraphs.push_back(std::move(cur_));
    cur_ = Paragraph{};
    container(level).push_back(BlockRef{false, index});
}

std::vector<BlockRef>& Parser::container(int level)
{
    if (level <= 0 || open_.empty())
        return c_.body;
    return open_[std::size_t(std::min<int>(level, int(open_.size()))) - 1].cell.blocks;
}

void Parser::setTableDepth(int level)
{
    level = std::clamp(level, 0, kMaxTableNesting);
    while (int(open_.size()) > level)
        closeTable();
    while (int(open_.size()) < level)
        open_.emplace_back();
}

RowDef& Parser::rowDefFor(int level)
{
    return rowDefs_[std::size_t(std::clamp(level, 1, kMaxTableNesting))];
}

void Parser::finishRow(int level)
{
    OpenTable& t = open_.back();
    if (!t.cell.blocks.empty()) {
        t.row.cells.push_back(std::move(t.cell));
        t.cell = Cell{};
    }
    if (t.row.cells.empty())
        return;
    const std::vector<CellDef>& defs = rowDefFor(level).cells;
    Row row;
    int lastRight = 0;
    const std::size_t count = std::max(t.row.cells.size(), defs.size());
    for (std::size_t i = 0; i < count && i < std::size_t(kMaxCellsPerRow); ++i) {
        Cell cell = i < t.row.cells.size() ? std::move(t.row.cells[i]) : Cell{};
        if (i < defs.size()) {
            cell.def = defs[i];
        } else {
            // More cells than definitions: give each missing one a default width.
            cell.def = CellDef{};
            cell.def.right = lastRight + 1440;
        }
        // Boundaries must grow from left to right, and stay within what is
        // read back: a cell that would pass the limit joins the one before.
        if (i > 0 && cell.def.right <= lastRight)
            cell.def.right = lastRight + 100;
        const bool pastLimit = cell.def.right > kMaxCellBoundary;
        if (pastLimit && row.cells.empty())
            cell.def.right = kMaxCellBoundary;
        else if (pastLimit)
            cell.def.horizontal = Merge::Continue;
        lastRight = cell.def.right;
        if (cell.def.horizontal == Merge::Continue && !row.cells.empty()) {
            Cell& first = row.cells.back();
            if (!pastLimit)
                first.def.right = cell.def.right;
            for (BlockRef& b : cell.blocks) {
                const bool empty = !b.table && c_.paragraphs[std::size_t(b.index)].text.isEmpty();
                if (!empty)
                    first.blocks.push_back(b);
            }
            continue;
        }
        row.cells.push_back(std::move(cell));
    }
    t.table.rows.push_back(std::move(row));
    t.row = Row{};
}

void Parser::closeTable()
{
    const int level = int(open_.size());
    finishRow(level);
    OpenTable t = std::move(open_.back());
    open_.pop_back();
    if (t.table.rows.empty())
        return;
    const int index = int(c_.tables.size());
    c_.tables.push_back(std::move(t.table));
    container(level - 1).push_back(BlockRef{true, index});
}

void Parser::endCell(int level)
{
    endParagraph(level);
    OpenTable& t = open_[std::size_t(std::min<int>(level, int(open_.size()))) - 1];
    if (t.row.cells.size() < std::size_t(kMaxCellsPerRow)) {
        t.row.cells.push_back(std::move(t.cell));
    } else {
        // Too many cells: the rest joins the last one.
        Cell& last = t.row.cells.back();
        last.blocks.insert(last.blocks.end(), t.cell.blocks.begin(), t.cell.blocks.end());
    }
    t.cell = Cell{};
}

void Parser::endRow(int level)
{
    flushBytes();
    flushHighSurrogate();
    closeRun();
    if (!cur_.text.isEmpty() || !cur_.runs.empty())
        endCell(level); // text between the last \cell and \row
    setTableDepth(level);
    finishRow(level);
}

// ---------------------------------------------------------------------------
// Font, colour and style tables

void Parser::fontText(std::string_view bytes)
{
    for (const char ch : bytes) {
        if (ch == ';') {
            commitFont();
            continue;
        }
        if (!fontCommitted_ && fontName_.size() + qsizetype(fontBytes_.size()) < kMaxFontName)
            fontBytes_.push_back(ch);
    }
}

int Parser::fontEntryCodePage() const
{
    if (fontCodePage_ > 0)
        return fontCodePage_;
    return fontCharset_ >= 0 ? codePageForCharset(fontCharset_, docCodePage_) : 0;
}

void Parser::decodeFontBytes()
{
    // The name is in the font's own code page.
    const int cp = fontEntryCodePage();
    decoder_.append(cp > 0 && cp != kSymbolCodePage ? cp : docCodePage_, fontBytes_, fontName_);
    fontBytes_.clear();
}

void Parser::commitFont()
{
    if (fontCommitted_)
        return;
    fontCommitted_ = true;
    decodeFontBytes();
    Font font;
    font.codePage = fontEntryCodePage();
    // Without a charset, a name ending such as " CE" names one.
    const int charset =
        fontCharset_ >= 0 || fontCodePage_ > 0 ? fontCharset_ : charsetOfFontNameEnding(fontName_.trimmed());
    if (fontCharset_ < 0 && charset >= 0)
        font.codePage = codePageForCharset(charset, docCodePage_);
    font.name = fontFamilyName(fontName_);
    font.wingdings = font.name.contains(QLatin1String("wingdings"), Qt::CaseInsensitive);
    // Symbol and Wingdings hold symbols whatever Latin charset a writer gave them.
    const bool latin = fontCodePage_ == 0 && (charset < 0 || charset == 0 || charset == 1 || charset == 77);
    if (latin && (font.wingdings || font.name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0))
        font.codePage = kSymbolCodePage;
    if (font.codePage == kSymbolCodePage && font.wingdings)
        font.codePage = kWingdingsCodePage;
    fontChanged();
    fonts_[fontNumber_] = font;
}

// Text is decoded in the font it is read in, and named after that font: an
// open run ends where a font definition (in a font table that comes again, or
// after the text) or the default font changes.
void Parser::fontChanged()
{
    flushBytes();
    flushHighSurrogate();
    closeRun();
    cachedFont_ = -2;
    ++fontGeneration_;
}

// The index in Content::fontNames of the font that text in font number
// `number` is read in now.
int Parser::fontNameIndex(int number)
{
    if (number == namedFont_ && fontGeneration_ == namedGeneration_)
        return namedIndex_;
    namedFont_ = number;
    namedGeneration_ = fontGeneration_;
    namedIndex_ = -1;
    const auto it = fonts_.find(number >= 0 ? number : defaultFont_);
    if (it != fonts_.end() && !it->second.name.isEmpty()) {
        const auto [name, inserted] = fontNameIndex_.try_emplace(it->second.name, int(c_.fontNames.size()));
        if (inserted)
            c_.fontNames.push_back(it->second.name);
        namedIndex_ = name->second;
    }
    return namedIndex_;
}

void Parser::colorText(std::string_view bytes)
{
    for (const char ch : bytes) {
        if (ch != ';')
            continue;
        c_.colors.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
        red_ = green_ = blue_ = 0;
        colorSet_ = false;
        if (c_.colors.size() > 32767)
            c_.colors.pop_back();
    }
}

void Parser::finishStyle()
{
    if (styleNumber_ >= 0 && styles_.size() < 10000)
        styles_[styleKey(styleNumber_, styleIsChar_)] = Style{st().chr, st().para};
    styleNumber_ = -1;
}

// ---------------------------------------------------------------------------
// Lists and their labels

void Parser::rawText(std::string_view bytes)
{
    for (const char b : bytes)
        if (raw_.size() < 64)
            raw_.push_back(RawUnit{char16_t(std::uint8_t(b)), true});
}

void Parser::rawUnit(char16_t c)
{
    if (raw_.size() < 64)
        raw_.push_back(RawUnit{c, false});
}

// Bytes in the font's code page, \u characters as in text of that font. In a
// level text, bytes 0..8 stand for the numbers of the list levels.
QString Parser::decodeRaw(std::size_t from, int font, bool levelText)
{
    bool wingdings = false;
    const int cp = codePageOf(font, &wingdings);
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

void Parser::finishLevel()
{
    levelDepth_ = -1;
    // The first byte is the length of the text, which ends with ';'.
    if (!raw_.empty() && raw_.front().byte) {
        level_.text = decodeRaw(1, st().chr.font, true).left(raw_.front().value);
    } else {
        level_.text = decodeRaw(0, st().chr.font, true);
        if (level_.text.endsWith(u';'))
            level_.text.chop(1);
    }
    raw_.clear();
    if (list_.count < int(list_.levels.size()))
        list_.levels[std::size_t(list_.count++)] = std::move(level_);
    level_ = LevelDef{};
}

void Parser::finishList()
{
    listDepth_ = -1;
    if (lists_.size() < 4096 || lists_.count(listId_))
        lists_[listId_] = std::move(list_);
    list_ = ListDef{};
}

void Parser::finishOverride()
{
    overrideDepth_ = -1;
    if (overrideNumber_ > 0 && (overrides_.size() < 4096 || overrides_.count(overrideNumber_)))
        overrides_[overrideNumber_] = overrideList_;
}

void Parser::finishPn()
{
    pnDepth_ = -1;
    pnLabel_.clear();
    if (pnBullet_)
        for (const QChar c : decodeRaw(0, pnFont_ >= 0 ? pnFont_ : st().chr.font, false))
            if (c.unicode() >= 0x20)
                pnLabel_.append(c);
    raw_.clear();
}

void Parser::beginLabel(bool pn)
{
    if (labelDepth_ >= 0 || labelEnd_ >= 0)
        return; // one label per paragraph; a second one stays text
    flushBytes();
    flushHighSurrogate();
    closeRun();
    labelDepth_ = depth();
    labelFromPn_ = pn;
    labelStart_ = cur_.text.size();
    labelRunStart_ = cur_.runs.size();
}

void Parser::endLabel()
{
    flushBytes();
    flushHighSurrogate();
    closeRun();
    labelDepth_ = -1;
    labelEnd_ = cur_.text.size();
    labelRunEnd_ = cur_.runs.size();
    labelProps_ = st().chr;
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
QString Parser::countListItem(int override, int level)
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
bool Parser::unreadableLabel() const
{
    qsizetype end = labelEnd_;
    while (end > labelStart_ && cur_.text.at(end - 1).isSpace())
        --end;
    if (end == labelStart_)
        return true;
    for (qsizetype i = labelStart_; i < end; ++i) {
        const char16_t u = cur_.text.at(i).unicode();
        if (u == QChar::ReplacementCharacter || (u >= 0xE000 && u <= 0xF8FF))
            return true;
    }
    return false;
}

void Parser::finishLabel()
{
    const GroupState& s = st();
    QString fromList;
    if (s.listOverride > 0)
        fromList = countListItem(s.listOverride, s.listLevel);
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
void Parser::replaceLabel(const QString& label)
{
    for (std::size_t i = labelRunStart_; i < labelRunEnd_; ++i)
        if (cur_.runs[i].picture >= 0)
            return;
    // The label's characters were decoded in the font of their definition,
    // but they show in the label's font: a symbol left private there must map
    // as it will when the text is read again in that font.
    bool wingdings = false;
    codePageOf(labelProps_.font, &wingdings);
    QString text = label;
    for (QChar& c : text)
        c = QChar(privateUseChar(c.unicode(), wingdings));
    qsizetype core = labelEnd_;
    while (core > labelStart_ && cur_.text.at(core - 1).isSpace())
        --core;
    const qsizetype delta = text.size() - (core - labelStart_);
    cur_.text.replace(labelStart_, core - labelStart_, text);
    const Run run{internChar(labelProps_), std::int32_t(labelStart_),
                  std::int32_t(labelEnd_ - labelStart_ + delta), -1};
    cur_.runs.erase(cur_.runs.begin() + std::ptrdiff_t(labelRunStart_),
                    cur_.runs.begin() + std::ptrdiff_t(labelRunEnd_));
    cur_.runs.insert(cur_.runs.begin() + std::ptrdiff_t(labelRunStart_), run);
    for (std::size_t i = labelRunStart_ + 1; i < cur_.runs.size(); ++i)
        cur_.runs[i].start += std::int32_t(delta);
}

// ---------------------------------------------------------------------------
// Pictures and fields

void Parser::pictWord(Kw kw, const Token& t)
{
    PictState& ps = *pict_;
    const std::int32_t p = t.param;
    switch (kw) {
    case Kw::pngblip:
        ps.pict.kind = PictureKind::Png;
        break;
    case Kw::jpegblip:
        ps.pict.kind = PictureKind::Jpeg;
        break;
    case Kw::emfblip:
        ps.pict.kind = PictureKind::Emf;
        break;
    case Kw::wmetafile:
        ps.pict.kind = PictureKind::Wmf;
        break;
    case Kw::dibitmap:
        ps.pict.kind = PictureKind::Dib;
        break;
    case Kw::wbitmap:
        ps.pict.kind = PictureKind::Ddb;
        break;
    case Kw::picw:
        ps.picw = clampInt(p, 0, 1000000);
        break;
    case Kw::pich:
        ps.pich = clampInt(p, 0, 1000000);
        break;
    case Kw::picwgoal:
        ps.goalw = clampInt(p, 0, 1000000);
        break;
    case Kw::pichgoal:
        ps.goalh = clampInt(p, 0, 1000000);
        break;
    case Kw::picscalex:
        ps.scalex = clampInt(p, 1, 10000);
        break;
    case Kw::picscaley:
        ps.scaley = clampInt(p, 1, 10000);
        break;
    default:
        break;
    }
    QByteArray word = '\\' + QByteArray(t.text.data(), qsizetype(t.text.size()));
    if (t.hasParam)
        word.append(QByteArray::number(p));
    if (kw == Kw::pngblip || kw == Kw::jpegblip || kw == Kw::emfblip || kw == Kw::wmetafile ||
        kw == Kw::dibitmap || kw == Kw::wbitmap)
        ps.kindWord = word;
    if (ps.pict.controls.size() < 4096)
        ps.pict.controls.append(word);
    else
        ps.controlsCut = true;
}

void Parser::pictText(std::string_view bytes)
{
    PictState& ps = *pict_;
    QByteArray& data = ps.pict.data;
    if (data.capacity() < data.size() + qsizetype(bytes.size() / 2 + 1))
        data.reserve(std::max<qsizetype>(data.capacity() * 2, data.size() + qsizetype(bytes.size() / 2 + 1)));
    for (const char ch : bytes) {
        const int v = hexDigit(ch);
        if (v < 0)
            continue;
        if (ps.nibble < 0) {
            ps.nibble = v;
        } else {
            data.append(char(ps.nibble << 4 | v));
            ps.nibble = -1;
        }
    }
}

void Parser::finishPicture()
{
    std::unique_ptr<PictState> ps = std::move(pict_);
    Picture& pict = ps->pict;
    if (pict.data.isEmpty())
        return;
    const double sx = ps->scalex / 100.0;
    const double sy = ps->scaley / 100.0;
    // Metafiles give \picw and \pich in hundredths of a millimetre, bitmaps in pixels.
    const bool metafile = pict.kind == PictureKind::Wmf || pict.kind == PictureKind::Emf;
    const double unit = metafile ? 96.0 / 2540.0 : 1.0;
    pict.width = ps->goalw > 0 ? ps->goalw / 15.0 * sx : ps->picw * unit * sx;
    pict.height = ps->goalh > 0 ? ps->goalh / 15.0 * sy : ps->pich * unit * sy;
    pict.scaleX = sx;
    pict.scaleY = sy;
    pict.lowered = ps->lowered;
    if (ps->controlsCut) {
        // Controls past the kept ones may have set the kind or the size: the
        // kept ones end with what they came to.
        pict.controls.append(ps->kindWord);
        for (const auto& [word, value] : {std::pair{"\\picw", ps->picw},
                                          {"\\pich", ps->pich},
                                          {"\\picwgoal", ps->goalw},
                                          {"\\pichgoal", ps->goalh},
                                          {"\\picscalex", ps->scalex},
                                          {"\\picscaley", ps->scaley}})
            pict.controls.append(word).append(QByteArray::number(value));
    }

    // The picture belongs to the text of the group that holds it.
    GroupState& s = stack_[stack_.size() - 2];
    if (s.dest != Dest::Normal || s.chr.hidden)
        return;
    pict.data.squeeze();
    const int index = int(c_.pictures.size());
    c_.pictures.push_back(std::move(pict));
    flushBytes();
    flushHighSurrogate();
    closeRun();
    cur_.runs.push_back(Run{internChar(ps->chr), std::int32_t(cur_.text.size()), 0, index});
}

// A formula's source follows its picture: {\pict ...}{\*\tikuformula source}.
void Parser::finishFormula()
{
    formulaDepth_ = -1;
    decodeFormulaBytes();
    QString source;
    source.swap(formula_);
    if (source.isEmpty() || cur_.runs.empty() || cur_.runs.back().picture < 0)
        return;
    // Text between the picture and the group: the group belongs to no picture.
    if (runOpen_ && (cur_.text.size() > runStart_ || !pendingBytes_.empty() || pendingHigh_))
        return;
    c_.pictures[std::size_t(cur_.runs.back().picture)].formula = std::move(source);
}

void Parser::decodeFormulaBytes()
{
    decoder_.append(codePage(), formulaBytes_, formula_);
    formulaBytes_.clear();
}

void Parser::finishFieldInstruction()
{
    fieldInstDepth_ = -1;
    decodeFieldBytes();
    // HYPERLINK "target" [\l "bookmark"] [\o "tip"] ...
    QStringView s = QStringView(fieldInst_).trimmed();
    if (s.startsWith(u"SYMBOL")) {
        finishSymbolField(s.mid(6));
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
    if (url.isEmpty() || c_.links.size() >= 32000 || stack_.size() < 2)
        return;
    stack_[stack_.size() - 2].fieldLink = std::int16_t(c_.links.size());
    c_.links.push_back(url);
}

void Parser::decodeFieldBytes()
{
    decoder_.append(codePage(), fieldInstBytes_, fieldInst_);
    fieldInstBytes_.clear();
}

// SYMBOL 74 \f "Wingdings" \s 12: the character number, in the named font.
void Parser::finishSymbolField(QStringView args)
{
    if (stack_.size() < 2)
        return;
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
    stack_[stack_.size() - 2].fieldSymbol = c;
}

// ---------------------------------------------------------------------------

bool looksLikeRtf(QByteArrayView data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

Content plainText(QByteArrayView data)
{
    Content c;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(data);
    if (utf8.hasError()) {
        ByteDecoder decoder;
        text.clear();
        decoder.append(936, std::string_view(data.data(), std::size_t(data.size())), text);
    }
    if (text.startsWith(QChar(QChar::ByteOrderMark)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    c.charFormats.push_back(CharProps{});
    c.paraFormats.push_back(ParaProps{});
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == lines.size() - 1 && lines[i].isEmpty() && i > 0)
            break;
        Paragraph p;
        for (const QChar ch : lines[i])
            if ((ch.unicode() >= 0x20 || ch == u'\t') && ch != QChar::ObjectReplacementCharacter)
                p.text.append(ch == QChar::ParagraphSeparator ? QChar(QChar::LineSeparator)
                                                              : QChar(privateUseChar(ch.unicode(), false)));
        if (!p.text.isEmpty())
            p.runs.push_back(Run{0, 0, std::int32_t(p.text.size()), -1});
        c.body.push_back(BlockRef{false, int(c.paragraphs.size())});
        c.paragraphs.push_back(std::move(p));
    }
    return c;
}

} // namespace

namespace {

// What a name in a font table or a field instruction can hold: no control
// characters, no paragraph separator (\par ends nothing there, it is lost),
// no object character (it stands for pictures).
QString withoutControls(const QString& text, char16_t alsoDropped)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u != QChar::ParagraphSeparator && u != QChar::ObjectReplacementCharacter &&
            u != alsoDropped)
            out += c;
    }
    return out;
}

} // namespace

// Blanks around the name go too, and an overlong name (only a broken font
// table gives one) is cut. A charset ending (" CE", " Greek") names no font of
// its own, only Windows' variant of the font for that charset: readers that
// take the charset from it would read our bytes in the wrong code page.
QString fontFamilyName(const QString& name)
{
    QString family = withoutControls(name, u';').trimmed().left(kMaxFontFamily).trimmed();
    qsizetype stem = 0;
    while (charsetOfFontNameEnding(family, &stem) >= 0)
        family = family.left(stem).trimmed();
    return family;
}

QString linkTarget(const QString& url)
{
    return withoutControls(url, u'"');
}

Content parse(QByteArrayView rtf)
{
    if (!looksLikeRtf(rtf))
        return plainText(rtf);
    Parser parser;
    return parser.run(rtf);
}

} // namespace rtf
