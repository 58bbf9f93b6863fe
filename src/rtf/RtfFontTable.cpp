#include "rtf/RtfFontTable.h"

#include "rtf/RtfCodePages.h"
#include "rtf/RtfParser.h"

namespace rtf {

namespace {

// Longer font names are cut (counting bytes not yet decoded as characters).
constexpr qsizetype kMaxFontName = 512;

} // namespace

FontTable::FontTable(std::vector<QString>& names, ByteDecoder& decoder, std::function<void()> beforeChange)
    : names_(names), decoder_(decoder), beforeChange_(std::move(beforeChange))
{
}

void FontTable::setDocumentCodePage(int codePage)
{
    docCodePage_ = codePage;
    cachedFont_ = -2;
}

void FontTable::setDefaultFont(int number)
{
    changed();
    defaultFont_ = number;
}

// A font's code page, the document's when the font names none.
TextFont FontTable::lookup(int number) const
{
    const auto it = fonts_.find(number >= 0 ? number : defaultFont_);
    TextFont f;
    f.wingdings = it != fonts_.end() && it->second.wingdings;
    f.codePage = it != fonts_.end() && it->second.codePage > 0 ? it->second.codePage : docCodePage_;
    return f;
}

int FontTable::nameIndex(int number)
{
    if (number == namedFont_ && generation_ == namedGeneration_)
        return namedIndex_;
    namedFont_ = number;
    namedGeneration_ = generation_;
    namedIndex_ = -1;
    const auto it = fonts_.find(number >= 0 ? number : defaultFont_);
    if (it != fonts_.end() && !it->second.name.isEmpty()) {
        const auto [name, inserted] = nameIndex_.try_emplace(it->second.name, int(names_.size()));
        if (inserted)
            names_.push_back(it->second.name);
        namedIndex_ = name->second;
    }
    return namedIndex_;
}

// Text is decoded in the font it is read in, and named after that font: an
// open run ends where a font definition (in a font table that comes again, or
// after the text) or the default font changes.
void FontTable::changed()
{
    beforeChange_();
    cachedFont_ = -2;
    ++generation_;
}

void FontTable::beginEntry(int number)
{
    commitEntry();
    entryNumber_ = number;
    entryCharset_ = -1;
    entryCodePage_ = 0;
    entryBytes_.clear();
    entryName_.clear();
    committed_ = false;
}

void FontTable::text(std::string_view bytes)
{
    for (const char ch : bytes) {
        if (ch == ';') {
            commitEntry();
            continue;
        }
        if (!committed_ && entryName_.size() + qsizetype(entryBytes_.size()) < kMaxFontName)
            entryBytes_.push_back(ch);
    }
}

void FontTable::unit(char16_t c)
{
    if (!committed_ && entryName_.size() + qsizetype(entryBytes_.size()) < kMaxFontName) {
        decodeEntryBytes();
        entryName_.append(QChar(c));
    }
}

int FontTable::entryCodePage() const
{
    if (entryCodePage_ > 0)
        return entryCodePage_;
    return entryCharset_ >= 0 ? codePageForCharset(entryCharset_, docCodePage_) : 0;
}

void FontTable::decodeEntryBytes()
{
    // The name is in the font's own code page.
    const int cp = entryCodePage();
    decoder_.append(cp > 0 && cp != kSymbolCodePage ? cp : docCodePage_, entryBytes_, entryName_);
    entryBytes_.clear();
}

void FontTable::commitEntry()
{
    if (committed_)
        return;
    committed_ = true;
    decodeEntryBytes();
    Font font;
    font.codePage = entryCodePage();
    // Without a charset, a name ending such as " CE" names one.
    const int charset = entryCharset_ >= 0 || entryCodePage_ > 0
                            ? entryCharset_
                            : charsetOfFontNameEnding(entryName_.trimmed());
    if (entryCharset_ < 0 && charset >= 0)
        font.codePage = codePageForCharset(charset, docCodePage_);
    font.name = fontFamilyName(entryName_);
    font.wingdings = font.name.contains(QLatin1String("wingdings"), Qt::CaseInsensitive);
    // Symbol and Wingdings hold symbols whatever Latin charset a writer gave them.
    const bool latin = entryCodePage_ == 0 && (charset < 0 || charset == 0 || charset == 1 || charset == 77);
    if (latin && (font.wingdings || font.name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0))
        font.codePage = kSymbolCodePage;
    if (font.codePage == kSymbolCodePage && font.wingdings)
        font.codePage = kWingdingsCodePage;
    changed();
    fonts_[entryNumber_] = font;
}

} // namespace rtf
