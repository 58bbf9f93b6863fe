#pragma once

#include "rtf/RtfKeywords.h"
#include "rtf/RtfModel.h"
#include "rtf/RtfTokenizer.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rtf {

class ByteDecoder;

// A picture (\pict): its control words as they were, its bytes from hex
// digits or \bin data, and the size it is shown at.
class PictureDestination
{
public:
    PictureDestination();
    ~PictureDestination();

    bool isOpen() const { return open_ != nullptr; }
    bool endsAt(int depth) const { return open_ && open_->depth == depth; }
    // The picture's group at `depth` shows it in the format `chr`, lowered
    // by `lowered` half-points.
    void begin(int depth, const CharProps& chr, int lowered);
    void controlWord(Kw kw, const Token& t);
    void text(std::string_view bytes);
    void binary(std::string_view bytes);

    struct Finished
    {
        Picture picture;
        CharProps chr;
    };
    // The picture read, or nothing when it has no bytes.
    std::optional<Finished> finish();

private:
    struct State
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
    std::unique_ptr<State> open_;
};

// Our \tikuformula group after a formula's picture: the formula's LaTeX
// source, text in the code page of its group's font.
class FormulaSource
{
public:
    explicit FormulaSource(ByteDecoder& decoder) : decoder_(decoder) {}

    bool isOpen() const { return depth_ >= 0; }
    bool endsAt(int depth) const { return depth_ == depth; }
    void begin(int depth);
    void text(std::string_view bytes);
    // \uN: units as they come, so a source is kept exactly, surrogate pairs and all.
    void unit(char16_t c, int codePage);
    // The source read.
    QString finish(int codePage);

private:
    void decodeBytes(int codePage);

    ByteDecoder& decoder_;
    int depth_ = -1;
    std::string bytes_;
    QString source_;
};

} // namespace rtf
