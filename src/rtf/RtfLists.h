#pragma once

#include "rtf/RtfModel.h"

#include <QString>

#include <array>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rtf {

class ByteDecoder;
class DocumentText;
class FontTable;

// List labels. A paragraph of a list carries its label as text in a
// \listtext (or old-style \pntext) group, which a reader without lists
// shows. That text is kept, except where it is unreadable (a symbol font
// declared with the wrong charset) and the list table (\listtable,
// \listoverridetable) or the old-style bullet (\pn\pnlvlblt) gives a better
// one.
class Lists
{
public:
    Lists(FontTable& fonts, ByteDecoder& decoder, DocumentText& text);

    // \list, \listid and \listlevel in \listtable.
    void beginList(int depth);
    void setListId(int id) { listId_ = id; }
    void beginLevel(int depth);
    void setLevelFormat(int format);
    void setLevelStart(int start);
    // \leveltext or \pntxtb: its text follows.
    void beginRawText() { raw_.clear(); }
    void rawText(std::string_view bytes);
    void rawUnit(char16_t c);

    // \listoverride, \listid and \ls in \listoverridetable.
    void beginOverride(int depth);
    void setOverrideList(int id) { overrideList_ = id; }
    void setOverrideNumber(int number) { overrideNumber_ = number; }

    // An old-style numbering definition (\pn) of the open paragraph.
    bool pnOpen() const { return pnDepth_ >= 0; }
    void beginPn(int depth);
    void setPnBullet() { pnBullet_ = true; }
    void setPnFont(int font) { pnFont_ = font; }

    // A \listtext or \pntext group in the document text.
    void beginLabel(int depth, bool pn);

    // The group at `depth` ends in the format `chr`: what it holds is finished.
    void groupEnd(int depth, const CharProps& chr);

    // The open paragraph ends; it is an item of list override `override`
    // (\lsN, 0: none) at level `level`.
    void finishLabel(int override, int level);

private:
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

    QString decodeRaw(std::size_t from, int font, bool levelText);
    void finishLevel(int font);
    void finishList();
    void finishOverride();
    void finishPn(int font);
    void endLabel(const CharProps& chr);
    QString countListItem(int override, int level);
    bool unreadableLabel() const;
    void replaceLabel(const QString& label);

    FontTable& fonts_;
    ByteDecoder& decoder_;
    DocumentText& text_;

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

} // namespace rtf
