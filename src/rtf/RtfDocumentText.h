#pragma once

#include "rtf/RtfModel.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace rtf {

class ByteDecoder;
class FontTable;

struct CharPropsHash
{
    std::size_t operator()(const CharProps& c) const noexcept;
};

struct ParaPropsHash
{
    std::size_t operator()(const ParaProps& p) const noexcept;
};

// The document's own text: the open paragraph with its runs, the bytes read
// but not yet decoded (a double-byte character may come in two pieces), and
// the formats runs and paragraphs refer to, each kept once in the Content.
class DocumentText
{
public:
    DocumentText(Content& content, FontTable& fonts, ByteDecoder& decoder);

    // Text in the format `chr`; hidden text is dropped.
    void appendBytes(std::string_view bytes, const CharProps& chr);
    void appendUnit(char16_t c, const CharProps& chr);
    void appendSpecial(char16_t c, const CharProps& chr);
    // A picture's run, after the text before it.
    void appendPicture(int picture, const CharProps& chr);

    // Decodes the bytes read so far.
    void flushBytes();
    // Ends the open run: what follows starts a new one.
    void finishRun();

    const Paragraph& paragraph() const { return cur_; }
    Paragraph& paragraph() { return cur_; }
    // The paragraph has text or pictures, decoded or not.
    bool hasContent() const { return !cur_.text.isEmpty() || !cur_.runs.empty(); }
    bool hasBytes() const { return !pendingBytes_.empty(); }
    // The open run has text, decoded or not.
    bool runHasText() const;
    // The paragraph in the given formats; a new one is open after it.
    Paragraph takeParagraph(const ParaProps& para, const CharProps& endChr);

    int internChar(const CharProps& c);
    int internPara(const ParaProps& p);

private:
    void beginText(const CharProps& chr);
    void flushHighSurrogate();
    void closeRun();

    Content& c_;
    FontTable& fonts_;
    ByteDecoder& decoder_;

    Paragraph cur_;
    CharProps runProps_;
    bool runOpen_ = false;
    qsizetype runStart_ = 0;
    std::string pendingBytes_;
    int pendingCp_ = 0;
    bool pendingWingdings_ = false;
    char16_t pendingHigh_ = 0;

    std::unordered_map<CharProps, int, CharPropsHash> charIndex_;
    std::unordered_map<ParaProps, int, ParaPropsHash> paraIndex_;
};

} // namespace rtf
