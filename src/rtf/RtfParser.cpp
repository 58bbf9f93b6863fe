#include "rtf/RtfParser.h"

#include "rtf/RtfCodePages.h"
#include "rtf/RtfColorTable.h"
#include "rtf/RtfDocumentText.h"
#include "rtf/RtfFields.h"
#include "rtf/RtfFontTable.h"
#include "rtf/RtfFormatting.h"
#include "rtf/RtfKeywords.h"
#include "rtf/RtfLists.h"
#include "rtf/RtfObjectDestination.h"
#include "rtf/RtfParserState.h"
#include "rtf/RtfPictureDestination.h"
#include "rtf/RtfStyleSheet.h"
#include "rtf/RtfTables.h"
#include "rtf/RtfTokenizer.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

// The parser reads the tokens and keeps the stack of groups, each with the
// state it inherits; it hands each control word and piece of text to whom it
// concerns: the document text (DocumentText), the font, colour and style
// tables, lists and their labels, tables, pictures and formula sources, and
// fields, each a class of its own with its own state.

namespace rtf {

namespace {

// Destinations whose text is not the document's (headers, footnotes,
// document properties, bookmarks, shapes...): skipped with all their groups.
bool skippedDestination(Kw kw)
{
    static constexpr auto skipped = [] {
        std::array<bool, kKeywordCount> t{};
        for (const Kw k : {Kw::footnote,     Kw::info,        Kw::header,
                           Kw::headerl,      Kw::headerr,     Kw::headerf,
                           Kw::footer,       Kw::footerl,     Kw::footerr,
                           Kw::footerf,      Kw::annotation,  Kw::revtbl,
                           Kw::rsidtbl,      Kw::xmlnstbl,    Kw::filetbl,
                           Kw::generator,    Kw::themedata,   Kw::colorschememapping,
                           Kw::latentstyles, Kw::datastore,   Kw::objdata,
                           Kw::objclass,     Kw::template_,   Kw::docvar,
                           Kw::pgdsctbl,     Kw::xe,          Kw::tc,
                           Kw::txe,          Kw::bkmkstart,   Kw::bkmkend,
                           Kw::sp,           Kw::shpinst,     Kw::do_,
                           Kw::userprops,    Kw::private_,    Kw::pnseclvl,
                           Kw::ftnsep,       Kw::ftnsepc,     Kw::ftncn,
                           Kw::aftnsep,      Kw::aftnsepc,    Kw::aftncn,
                           Kw::mmathPr,      Kw::falt,        Kw::panose,
                           Kw::picprop,      Kw::blipuid,     Kw::atnid,
                           Kw::atnauthor,    Kw::atrfstart,   Kw::atrfend,
                           Kw::background,   Kw::listpicture, Kw::fchars,
                           Kw::lchars,       Kw::pgptbl,      Kw::protusertbl,
                           Kw::keywords,     Kw::author,      Kw::operator_,
                           Kw::title,        Kw::subject,     Kw::comment,
                           Kw::company,      Kw::doccomm,     Kw::hlinkbase})
            t[std::size_t(k)] = true;
        return t;
    }();
    return skipped[std::size_t(kw)];
}

class Parser
{
public:
    Content run(QByteArrayView data);
    // Top-level blocks go to `piece` in groups of `blocks` as they are complete.
    void handOver(const std::function<void(Content&&)>* piece, std::size_t blocks)
    {
        piece_ = piece;
        pieceBlocks_ = blocks;
    }

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
    int codePage() { return fonts_.textFont(st().chr.font).codePage; }
    void appendUnit(char16_t c);
    void appendSpecial(char16_t c);

    // Paragraphs and tables.
    void endParagraph(int level);
    void endCell(int level);
    void endRow(int level);
    void fontChanged();
    void handOverPiece();

    // Control words by what they act on.
    bool documentWord(Kw kw, const Token& t);
    bool definitionWord(Kw kw, std::int32_t p);
    bool tableWord(Kw kw, std::int32_t p);
    bool listWord(Kw kw, std::int32_t p);
    void destinationWord(Kw kw);
    void finishPicture();
    void finishFormula();

    Content c_;
    ByteDecoder decoder_;
    FontTable fonts_{c_.fontNames, decoder_, [this] { fontChanged(); }};
    ColorTable colors_{c_.colors};
    StyleSheet styles_;
    DocumentText text_{c_, fonts_, decoder_};
    Lists lists_{fonts_, decoder_, text_};
    Tables tables_{c_};
    PictureDestination picture_;
    FormulaSource formula_{decoder_};
    ObjectDestination object_;
    Fields fields_{c_.links, decoder_};

    std::vector<GroupState> stack_;
    int overflow_ = 0; // groups past kMaxGroupDepth, counted to match their ends
    bool finished_ = false;
    int skip_ = 0; // characters of a \u fallback still to skip
    int footnoteNumber_ = 0;

    const std::function<void(Content&&)>* piece_ = nullptr;
    std::size_t pieceBlocks_ = 0;
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
    text_.finishRun();
    if (text_.hasContent())
        endParagraph(st().para.tableLevel());
    tables_.setDepth(0);
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
        styles_.beginEntry();
        break;
    case Dest::Pict:
        next.dest = Dest::Skip;
        break;
    case Dest::Upr:
        next.dest = Dest::UprChild;
        break;
    case Dest::UprChild:
    case Dest::Formula:
    case Dest::ObjClass:
    case Dest::ObjData:
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
    if (picture_.endsAt(depth()))
        finishPicture();
    if (fields_.instructionEndsAt(depth()))
        fields_.finishInstruction(codePage(), stack_[stack_.size() - 2]);
    if (formula_.endsAt(depth()))
        finishFormula();
    if (object_.endsAt(depth()))
        object_.end();
    tables_.groupEnd(depth());
    if (fields_.fieldEndsAt(depth())) {
        const qsizetype resultStart = fields_.endField();
        if (s.fieldSymbol && s.dest == Dest::Normal && resultStart >= 0) {
            text_.flushBytes();
            const bool empty = text_.paragraph().text.size() <= resultStart;
            if (empty) {
                // The symbol takes the format of the field's group.
                appendSpecial(s.fieldSymbol);
            }
        }
    }
    if (s.dest == Dest::FontTable)
        fonts_.commitEntry();
    if (s.dest == Dest::StyleEntry)
        styles_.finishEntry(s.chr, s.para);
    lists_.groupEnd(depth(), s.chr);
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
    const Kw kw = t.keyword;
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
        case Kw::objclass:
        case Kw::objdata:
            if (s.dest == Dest::Object)
                break;
            s.dest = Dest::Skip;
            return;
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
        picture_.controlWord(kw, t);
        return;
    }
    // A formula's source is text: only \uN (and \ucN for its fallback) count;
    // nothing in it may change the document around it.
    if (s.dest == Dest::Formula && kw != Kw::u && kw != Kw::uc && kw != Kw::tab)
        return;

    if (s.dest == Dest::Object && object_.endsAt(depth()) && ObjectDestination::isObjectWord(t)) {
        object_.controlWord(t);
        return;
    }
    if (kw == Kw::Unknown)
        return;
    if (kw == Kw::f && s.dest == Dest::FontTable) {
        fonts_.beginEntry(t.param);
        return;
    }
    if (applyCharacterWord(kw, t, s) || applyParagraphWord(kw, t, s))
        return;
    if (const char16_t c = specialCharacter(kw)) {
        appendSpecial(c);
        return;
    }
    if (documentWord(kw, t) || definitionWord(kw, t.param) || tableWord(kw, t.param) || listWord(kw, t.param))
        return;
    switch (kw) {
    case Kw::par:
        if (s.dest == Dest::Normal)
            endParagraph(s.para.tableLevel());
        return;
    case Kw::sect:
        if (s.dest == Dest::Normal && (text_.hasContent() || text_.hasBytes()))
            endParagraph(s.para.tableLevel());
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

// The document's code page and default font, and Unicode characters.
bool Parser::documentWord(Kw kw, const Token& t)
{
    GroupState& s = st();
    const std::int32_t p = t.param;
    switch (kw) {
    case Kw::rtf:
        return true;
    case Kw::ansi:
        fonts_.setDocumentCodePage(1252);
        return true;
    case Kw::mac:
        fonts_.setDocumentCodePage(10000);
        return true;
    case Kw::pc:
        fonts_.setDocumentCodePage(437);
        return true;
    case Kw::pca:
        fonts_.setDocumentCodePage(850);
        return true;
    case Kw::ansicpg:
        if (t.hasParam && p > 0 && p < 100000)
            fonts_.setDocumentCodePage(p);
        return true;
    case Kw::deff:
        fonts_.setDefaultFont(p);
        return true;
    case Kw::uc:
        s.uc = std::uint8_t(clampInt(p, 0, 16));
        return true;
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
        return true;
    }
    default:
        return false;
    }
}

// Entries of the font and colour tables and of the style sheet, and style references.
bool Parser::definitionWord(Kw kw, std::int32_t p)
{
    GroupState& s = st();
    switch (kw) {
    case Kw::fcharset:
        if (s.dest == Dest::FontTable)
            fonts_.setCharset(p);
        return true;
    case Kw::cpg:
        if (s.dest == Dest::FontTable && p > 0)
            fonts_.setEntryCodePage(p);
        return true;
    case Kw::red:
        colors_.setRed(p);
        return true;
    case Kw::green:
        colors_.setGreen(p);
        return true;
    case Kw::blue:
        colors_.setBlue(p);
        return true;
    case Kw::s:
    case Kw::cs:
    case Kw::ds:
    case Kw::ts:
        if (s.dest == Dest::StyleEntry)
            styles_.numberEntry(p, kw == Kw::cs, kw == Kw::s || kw == Kw::cs);
        else if (kw == Kw::s || kw == Kw::cs)
            styles_.apply(p, kw == Kw::cs, s.chr, s.para);
        return true;
    default:
        return false;
    }
}

// Row and cell definitions, and the ends of cells and rows.
bool Parser::tableWord(Kw kw, std::int32_t p)
{
    GroupState& s = st();
    const int level = s.para.tableLevel();
    switch (kw) {
    case Kw::trowd:
        tables_.startRowDefinition(tables_.definitionLevel(level));
        return true;
    case Kw::cellx:
        tables_.defineCell(tables_.definitionLevel(level), p);
        return true;
    case Kw::clmgf:
        tables_.pendingCell(tables_.definitionLevel(level)).horizontal = Merge::First;
        return true;
    case Kw::clmrg:
        tables_.pendingCell(tables_.definitionLevel(level)).horizontal = Merge::Continue;
        return true;
    case Kw::clvmgf:
        tables_.pendingCell(tables_.definitionLevel(level)).vertical = Merge::First;
        return true;
    case Kw::clvmrg:
        tables_.pendingCell(tables_.definitionLevel(level)).vertical = Merge::Continue;
        return true;
    case Kw::clftsWidth:
        tables_.pendingCell(tables_.definitionLevel(level)).widthType = p == 1   ? WidthType::Auto
                                                                        : p == 2 ? WidthType::Percent
                                                                        : p == 3 ? WidthType::Twips
                                                                                 : WidthType::None;
        return true;
    case Kw::clwWidth:
        tables_.pendingCell(tables_.definitionLevel(level)).width = clampInt(p, 0, 169920);
        return true;
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
        tables_.pendingCell(tables_.definitionLevel(level)).borders = true;
        return true;
    case Kw::cell:
        if (s.dest == Dest::Normal)
            endCell(std::max(1, level));
        return true;
    case Kw::nestcell:
        if (s.dest == Dest::Normal)
            endCell(std::max(2, level));
        return true;
    case Kw::row:
        if (s.dest == Dest::Normal)
            endRow(1);
        return true;
    case Kw::nestrow:
        if (s.dest == Dest::Normal)
            endRow(std::max(2, level));
        return true;
    default:
        return false;
    }
}

// The list table, list overrides, old-style numbering and the labels of list paragraphs.
bool Parser::listWord(Kw kw, std::int32_t p)
{
    GroupState& s = st();
    switch (kw) {
    case Kw::listtext:
    case Kw::pntext:
        if (s.dest == Dest::Normal)
            lists_.beginLabel(depth(), kw == Kw::pntext);
        return true;
    case Kw::ls:
        if (s.dest == Dest::Override)
            lists_.setOverrideNumber(p);
        else
            s.listOverride = clamp16(p, 0, 32767);
        return true;
    case Kw::ilvl:
        s.listLevel = std::uint8_t(clampInt(p, 0, 8));
        return true;
    case Kw::list:
        if (s.dest == Dest::ListTable) {
            s.dest = Dest::List;
            lists_.beginList(depth());
        }
        return true;
    case Kw::listlevel:
        if (s.dest == Dest::List) {
            s.dest = Dest::ListLevel;
            lists_.beginLevel(depth());
        }
        return true;
    case Kw::leveltext:
        if (s.dest == Dest::ListLevel) {
            s.dest = Dest::LevelText;
            lists_.beginRawText();
        }
        return true;
    case Kw::levelnfc:
    case Kw::levelnfcn:
        if (s.dest == Dest::ListLevel)
            lists_.setLevelFormat(p);
        return true;
    case Kw::levelstartat:
        if (s.dest == Dest::ListLevel)
            lists_.setLevelStart(p);
        return true;
    case Kw::listid:
        if (s.dest == Dest::List)
            lists_.setListId(p);
        else if (s.dest == Dest::Override)
            lists_.setOverrideList(p);
        return true;
    case Kw::listoverride:
        if (s.dest == Dest::OverrideTable) {
            s.dest = Dest::Override;
            lists_.beginOverride(depth());
        }
        return true;
    case Kw::pnlvlblt:
        if (s.dest == Dest::Pn)
            lists_.setPnBullet();
        return true;
    case Kw::pnf:
        if (s.dest == Dest::Pn)
            lists_.setPnFont(p);
        return true;
    case Kw::pntxtb:
        if (s.dest == Dest::Pn) {
            s.dest = Dest::PnText;
            lists_.beginRawText();
        }
        return true;
    case Kw::pntxta:
        if (s.dest == Dest::Pn)
            s.dest = Dest::Skip;
        return true;
    default:
        return false;
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
        colors_.begin();
        return;
    case Kw::stylesheet:
        s.dest = Dest::StyleSheet;
        return;
    case Kw::pict:
        if (s.dest != Dest::Normal || picture_.isOpen()) {
            s.dest = Dest::Skip;
            return;
        }
        picture_.begin(depth(), s.chr, s.lowered);
        s.dest = Dest::Pict;
        return;
    case Kw::tikuformula:
        if (s.dest != Dest::Normal || s.chr.hidden || formula_.isOpen()) {
            s.dest = Dest::Skip;
            return;
        }
        s.dest = Dest::Formula;
        formula_.begin(depth());
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
        if (s.dest == Dest::Normal) {
            s.dest = Dest::Object;
            // An object inside another's result shows its result only.
            if (!object_.isOpen())
                object_.begin(depth());
        }
        return;
    case Kw::objclass:
    case Kw::objdata:
        // Only the object's own class and data; any other is skipped.
        if (s.dest != Dest::Object || !object_.endsAt(depth() - 1)) {
            s.dest = Dest::Skip;
            return;
        }
        s.dest = kw == Kw::objclass ? Dest::ObjClass : Dest::ObjData;
        return;
    case Kw::result:
        if (s.dest == Dest::Object)
            s.dest = Dest::Normal;
        return;
    case Kw::field:
        s.fieldLink = -1;
        s.fieldSymbol = 0;
        if (s.dest == Dest::Normal)
            fields_.beginField(depth());
        return;
    case Kw::fldinst:
        if (s.dest != Dest::Normal) {
            s.dest = Dest::Skip;
            return;
        }
        s.dest = Dest::FieldInst;
        fields_.beginInstruction(depth());
        return;
    case Kw::fldrslt:
        if (s.fieldLink >= 0)
            s.chr.link = s.fieldLink;
        if (fields_.resultBeginsAt(depth())) {
            text_.flushBytes();
            fields_.beginResult(text_.paragraph().text.size());
        }
        return;
    case Kw::nesttableprops:
        tables_.beginNestedProperties(depth());
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
        if (s.dest != Dest::Normal || lists_.pnOpen()) {
            s.dest = Dest::Skip;
            return;
        }
        s.dest = Dest::Pn;
        lists_.beginPn(depth());
        return;
    default:
        if (skippedDestination(kw))
            s.dest = Dest::Skip;
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
        text_.appendBytes(bytes, st().chr);
        return;
    case Dest::FontTable:
        fonts_.text(bytes);
        return;
    case Dest::ColorTable:
        colors_.text(bytes);
        return;
    case Dest::Pict:
        picture_.text(bytes);
        return;
    case Dest::FieldInst:
        fields_.text(bytes);
        return;
    case Dest::Formula:
        formula_.text(bytes);
        return;
    case Dest::ObjClass:
        object_.classText(bytes);
        return;
    case Dest::ObjData:
        object_.dataText(bytes);
        return;
    case Dest::StyleEntry:
        if (bytes.find(';') != std::string_view::npos)
            styles_.finishEntry(st().chr, st().para);
        return;
    case Dest::LevelText:
    case Dest::PnText:
        lists_.rawText(bytes);
        return;
    default:
        return;
    }
}

void Parser::hexBytes(std::string_view bytes)
{
    const Dest d = st().dest;
    if (d == Dest::Pict || d == Dest::ObjData || d == Dest::ColorTable || d == Dest::StyleEntry)
        return; // escaped bytes are never picture or object data nor separators
    text(bytes);
}

void Parser::binary(std::string_view bytes)
{
    if (st().dest == Dest::Pict)
        picture_.binary(bytes);
    else if (st().dest == Dest::ObjData)
        object_.dataBinary(bytes);
}

void Parser::appendUnit(char16_t c)
{
    const Dest d = st().dest;
    if (d == Dest::FontTable) {
        fonts_.unit(c);
        return;
    }
    if (d == Dest::FieldInst) {
        fields_.unit(c, codePage());
        return;
    }
    if (d == Dest::LevelText || d == Dest::PnText) {
        lists_.rawUnit(c);
        return;
    }
    if (d == Dest::Formula) {
        formula_.unit(c, codePage());
        return;
    }
    if (d == Dest::Normal)
        text_.appendUnit(c, st().chr);
}

void Parser::appendSpecial(char16_t c)
{
    const Dest d = st().dest;
    if (d == Dest::FontTable || d == Dest::FieldInst || d == Dest::LevelText || d == Dest::PnText ||
        d == Dest::Formula) {
        appendUnit(c);
        return;
    }
    if (d == Dest::Normal)
        text_.appendSpecial(c, st().chr);
}

// ---------------------------------------------------------------------------
// Paragraphs and tables

void Parser::endParagraph(int level)
{
    text_.finishRun();
    lists_.finishLabel(st().listOverride, st().listLevel);
    Paragraph p = text_.takeParagraph(st().para, st().chr);
    tables_.setDepth(level);
    const int index = int(c_.paragraphs.size());
    c_.paragraphs.push_back(std::move(p));
    tables_.container(level).push_back(BlockRef{false, index});
    if (piece_ && level <= 0 && c_.body.size() >= pieceBlocks_)
        handOverPiece();
}

// Outside tables, with the paragraph just ended, nothing refers to the blocks
// read so far: they go, and what follows is numbered from 0 again. The tables
// of formats and names only grow, so the piece takes them as they are now.
void Parser::handOverPiece()
{
    Content piece;
    piece.body.swap(c_.body);
    piece.paragraphs.swap(c_.paragraphs);
    piece.tables.swap(c_.tables);
    piece.pictures.swap(c_.pictures);
    piece.charFormats = c_.charFormats;
    piece.paraFormats = c_.paraFormats;
    piece.links = c_.links;
    piece.fontNames = c_.fontNames;
    piece.colors = c_.colors;
    (*piece_)(std::move(piece));
}

void Parser::endCell(int level)
{
    endParagraph(level);
    tables_.endCell(level);
}

void Parser::endRow(int level)
{
    text_.finishRun();
    if (text_.hasContent())
        endCell(level); // text between the last \cell and \row
    tables_.endRow(level);
}

// Text read under a font definition that is about to change is finished first.
void Parser::fontChanged()
{
    text_.finishRun();
}

// ---------------------------------------------------------------------------
// Pictures and fields

void Parser::finishPicture()
{
    std::optional<PictureDestination::Finished> done = picture_.finish();
    if (!done)
        return;
    // The picture belongs to the text of the group that holds it.
    const GroupState& s = stack_[stack_.size() - 2];
    if (s.dest != Dest::Normal || s.chr.hidden)
        return;
    done->picture.data.squeeze();
    // The first picture of an object's result is the object's face.
    if (object_.isOpen())
        object_.attachTo(done->picture);
    const int index = int(c_.pictures.size());
    c_.pictures.push_back(std::move(done->picture));
    text_.appendPicture(index, done->chr);
}

// A formula's source follows its picture: {\pict ...}{\*\tikuformula source}.
void Parser::finishFormula()
{
    QString source = formula_.finish(codePage());
    const std::vector<Run>& runs = text_.paragraph().runs;
    if (source.isEmpty() || runs.empty() || runs.back().picture < 0)
        return;
    // Text between the picture and the group: the group belongs to no picture.
    if (text_.runHasText())
        return;
    c_.pictures[std::size_t(runs.back().picture)].formula = std::move(source);
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

Content parse(QByteArrayView rtf, const std::function<void(Content&&)>& piece, std::size_t blocksPerPiece)
{
    if (!looksLikeRtf(rtf))
        return plainText(rtf);
    Parser parser;
    parser.handOver(&piece, std::max<std::size_t>(1, blocksPerPiece));
    return parser.run(rtf);
}

} // namespace rtf
