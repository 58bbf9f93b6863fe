#pragma once

#include <QString>

// The letters a choice question's answer names ("C", "AD"), for the table of
// choice answers in an answer key; empty when it names none for sure.
//
// Read from the forms answer keys use: a bare letter ("C", "（C）", "C．",
// "c"), a letter after a marker ("答案：C", "【答案】C", "答案是C", "选C",
// "故选：C", "答案：C 解析…"), or a letter opening the answer as an option
// does ("C．因为…", "（C）因为…"). Full-width letters and punctuation count as
// their ASCII forms. A letter that is part of a word or a formula ("CD=3",
// "A为中点", "x=A", a letter beside a formula picture) is never taken, and
// markers that name different letters give none.
//
// `text` is the answer's plain text: paragraphs separated by '\n', pictures
// (formulas) as U+FFFC.
QString choiceLetters(const QString& text);
