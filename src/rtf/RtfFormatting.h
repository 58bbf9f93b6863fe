#pragma once

#include "rtf/RtfKeywords.h"
#include "rtf/RtfTokenizer.h"

namespace rtf {

struct GroupState;

// Character formatting words (\b, \fsN, \cfN, \up ...): sets what the word
// changes in the group's state; false for other words.
bool applyCharacterWord(Kw kw, const Token& t, GroupState& s);

// Paragraph formatting words (\pard, \qc, \liN, \intbl ...), the same way.
bool applyParagraphWord(Kw kw, const Token& t, GroupState& s);

// The character a special-character word stands for (\tab, \line, \emdash,
// \lquote ...); 0 for other words.
char16_t specialCharacter(Kw kw);

} // namespace rtf
