#pragma once

#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace rtf {

// Pseudo code page for fonts of the Symbol character set (\fcharset2): their
// bytes are symbol positions, not characters of any code page.
constexpr int kSymbolCodePage = 42;
// The same for Wingdings, whose bullets are common in list labels.
constexpr int kWingdingsCodePage = 43;

// The Windows code page of an RTF font character set (\fcharsetN), or
// `fallback` for the ANSI-default and unknown sets.
int codePageForCharset(int charset, int fallback);

// The charset a font name ending names (" CE", " Greek", " Cyr", ...), as
// Windows names its charset variants of a font, or -1; `stem` gets the length
// of the name without it.
int charsetOfFontNameEnding(QStringView name, qsizetype* stem = nullptr);

// The Unicode character shown for a byte, or a private-use character, of a
// Symbol font; a position without a glyph gives U+F0xx.
char16_t symbolToUnicode(char16_t symbolChar);
// The same for Wingdings: the usual bullets and marks, others as U+F0xx.
char16_t wingdingsToUnicode(char16_t symbolChar);
// Either of the two, by pseudo code page.
char16_t symbolFontChar(int codePage, char16_t c);
// A character of the symbol fonts' private-use range U+F020..U+F0FF in any
// other font: Word and Outlook leave Symbol (or, in a font named so, Wingdings)
// characters there, which no font on the reader's side draws.
char16_t privateUseChar(char16_t c, bool wingdings);

// Decodes byte runs of any code page. One decoder per code page is kept, so a
// document switching between fonts does not reopen converters.
class ByteDecoder
{
public:
    ByteDecoder();
    ~ByteDecoder();
    ByteDecoder(const ByteDecoder&) = delete;
    ByteDecoder& operator=(const ByteDecoder&) = delete;

    // Appends the decoded bytes to `out`. A lead byte left without its trail
    // byte at the end of the run is dropped.
    void append(int codePage, std::string_view bytes, QString& out);

private:
    QStringDecoder* decoderFor(int codePage);
    static void decode(QStringDecoder* decoder, std::string_view bytes, QString& out);
    bool decodeGbk(std::string_view bytes, QString& out);

    struct Entry
    {
        int codePage;
        std::unique_ptr<QStringDecoder> decoder;
    };
    std::array<Entry, 16> cache_;
    int used_ = 0;
    std::size_t gbkBytes_ = 0; // bytes of code page 936 decoded so far
};

// The GBK (code page 936) double-byte code of each BMP character that has
// one, and the character of each double-byte code, as the GBK converter has them.
class GbkTable
{
public:
    static const GbkTable& instance();
    // The two bytes (lead << 8 | trail), or 0 when GBK has no double-byte code.
    std::uint16_t code(char16_t c) const { return codes_[c]; }
    // The character of a lead byte 0x81..0xFE and a trail byte; 0 when the
    // converter gives anything but one character for them.
    char16_t character(std::uint8_t lead, std::uint8_t trail) const
    {
        return characters_[std::size_t(lead - 0x81) * 256 + trail];
    }
    // The converter reads the bytes 0x00..0x7F as ASCII.
    bool asciiAsIs() const { return asciiAsIs_; }

private:
    GbkTable();
    std::array<std::uint16_t, 65536> codes_{};
    std::array<char16_t, 126 * 256> characters_{};
    bool asciiAsIs_ = false;
};

} // namespace rtf
