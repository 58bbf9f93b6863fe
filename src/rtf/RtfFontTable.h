#pragma once

#include "rtf/RtfModel.h"

#include <QString>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rtf {

class ByteDecoder;

// How text in a font is read: in its code page (the document's when the font
// names none), and with its private-use symbols taken as Wingdings' or Symbol's.
struct TextFont
{
    int codePage = 1252;
    bool wingdings = false;
};

// The font table (\fonttbl) with the default font (\deffN) and the document's
// code page (\ansicpgN and the like): the code page text of each font number
// is read in, and the family name it shows in.
class FontTable
{
public:
    // `beforeChange` runs before a font definition or the default font
    // changes, so that text read under the old one is finished first.
    FontTable(std::vector<QString>& names, ByteDecoder& decoder, std::function<void()> beforeChange);

    void setDocumentCodePage(int codePage);
    int documentCodePage() const { return docCodePage_; }
    void setDefaultFont(int number);

    // The font of text in font number `number` (-1: the default font). Asked
    // for every piece of text, so the last answer is kept.
    const TextFont& textFont(int number)
    {
        if (number != cachedFont_) {
            cachedFont_ = number;
            cached_ = lookup(number);
        }
        return cached_;
    }
    TextFont lookup(int number) const;

    // The index in Content::fontNames of the family text in font number
    // `number` shows in now; -1 for none.
    int nameIndex(int number);

    // An entry of the table: \fN starts it, its text up to ';' is the name.
    void beginEntry(int number);
    void setCharset(int charset) { entryCharset_ = charset; }
    void setEntryCodePage(int codePage) { entryCodePage_ = codePage; }
    void text(std::string_view bytes);
    void unit(char16_t c);
    void commitEntry();

private:
    void changed();
    int entryCodePage() const;
    void decodeEntryBytes();

    std::vector<QString>& names_;
    ByteDecoder& decoder_;
    std::function<void()> beforeChange_;

    std::map<int, Font> fonts_;
    int defaultFont_ = -1;
    int docCodePage_ = 1252;
    int cachedFont_ = -2;
    TextFont cached_;
    // Names are looked up again only when a definition changed.
    int generation_ = 0;
    int namedFont_ = -2, namedGeneration_ = -1, namedIndex_ = -1;
    std::unordered_map<QString, int> nameIndex_;

    // The entry being read.
    int entryNumber_ = -1;
    int entryCharset_ = -1;
    int entryCodePage_ = 0;
    std::string entryBytes_;
    QString entryName_;
    bool committed_ = true;
};

} // namespace rtf
