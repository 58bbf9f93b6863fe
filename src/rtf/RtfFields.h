#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>
#include <vector>

namespace rtf {

class ByteDecoder;
struct GroupState;

// Fields (\field): the instruction (\fldinst) is read for the two kinds that
// change what the result shows, HYPERLINK (the result becomes a link) and
// SYMBOL (its character shows where the result is empty); the result
// (\fldrslt) is document text.
class Fields
{
public:
    Fields(std::vector<QString>& links, ByteDecoder& decoder) : links_(links), decoder_(decoder) {}

    // A field in the document text, its group at `depth`.
    void beginField(int depth);
    bool fieldEndsAt(int depth) const { return fieldDepth_ == depth; }
    // The field ends; where its result began in the paragraph's text, -1 if it had none.
    qsizetype endField();
    // \fldrslt at `depth`: the result of the field around it starts at
    // `textLength` in the paragraph, if that field is in the document text.
    bool resultBeginsAt(int depth) const { return fieldDepth_ == depth - 1; }
    void beginResult(qsizetype textLength) { resultStart_ = textLength; }

    void beginInstruction(int depth);
    bool instructionEndsAt(int depth) const { return instructionDepth_ == depth; }
    void text(std::string_view bytes);
    void unit(char16_t c, int codePage);
    // The instruction is read: its link or symbol goes to `field`, the state
    // of the field's group.
    void finishInstruction(int codePage, GroupState& field);

private:
    void decodeBytes(int codePage);
    void finishSymbol(QStringView args, GroupState& field);

    std::vector<QString>& links_;
    ByteDecoder& decoder_;
    std::string bytes_;
    QString instruction_;
    int instructionDepth_ = -1;
    // The field whose result is being read, and how much text the paragraph
    // had when its result began: an empty result shows a SYMBOL field's character.
    int fieldDepth_ = -1;
    qsizetype resultStart_ = -1;
};

} // namespace rtf
