#pragma once

// What the parser and its destinations share: where a group's text goes, the
// state each group inherits from its parent, and the clamping that keeps
// malformed numbers bounded. Only the parser's own files include this.

#include "rtf/RtfModel.h"

#include <cstdint>

namespace rtf {

enum class Dest : std::uint8_t {
    Normal, // document text
    Skip,   // ignored with all its subgroups
    FontTable,
    ColorTable,
    StyleSheet,
    StyleEntry,
    Pict,
    Object,    // an OLE object: its \result is shown, its class and data kept
    ObjClass,  // the object's \objclass
    ObjData,   // the object's \objdata
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

inline int clampInt(std::int32_t v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

inline std::int16_t clamp16(std::int32_t v, int lo, int hi)
{
    return std::int16_t(clampInt(v, lo, hi));
}

inline int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace rtf
