#pragma once

#include "compose/PaperLayout.h"

#include <vector>

class QTextDocument;

// The paper or the answer document of a composer, read back question by
// question, so that what is printed is what the window shows, the teacher's
// corrections included.
//
// The composers build each document from labelled items: a paragraph holding
// only the label (（i） in the paper, 第（i）题的答案 in the answers), then the
// body, under a header paragraph per set (第（k）套试卷的题目 / 的答案) in the
// automatic composer. A question's body is everything between its label and
// the next label or header, without the blank paragraphs around it. Blanks in
// a label count for nothing, and (i) counts as （i）.
//
// `sets` are the questions composed, set by set: their types and numbers give
// the paper its sections. The document must hold the same sets with the same
// labels in order (a set whose header has no question, as a set stopped at
// its first question leaves, is skipped), and no text outside a question;
// otherwise it cannot be matched to the questions. Then `problem` says what
// stands in the way and false is returned: the caller prints the document as
// it stands instead (never the composed bodies, which it no longer shows).
//
// On success each question's content (`kind` Paper) or answer (Answers) is
// replaced by its body in the document, as RTF.
bool takeBodiesFromDocument(std::vector<PaperSet>& sets, const QTextDocument& doc, PaperLayout::Kind kind,
                            bool setHeaders, QString* problem);
