#pragma once

// A generator of realistic question banks for benchmarks and tests: a
// three-level knowledge classification, the usual question types, one super
// administrator and N questions whose content and answer are RTF documents
// with Chinese maths text, formatting runs and, now and then, a small figure.
//
// Everything is a pure function of (seed, index): the same seed gives the same
// questions, and so a byte-identical bank file.

#include "store/BankRecords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace bankgen {

// The path number `index` (0-based) of a classification: real curriculum
// names first, then the same names with a lesson number, so that any count of
// paths stays distinct.
KnowledgePath knowledgePath(int index);

// The question types, in the order they are stored in 题型表.
const QStringList& questionTypes();

// One generated rich-text body: the RTF as stored, the plain text it shows
// (paragraphs separated by '\n', a picture as U+FFFC, as
// QTextDocument::toPlainText() gives it) and how many pictures it holds.
struct GeneratedBody
{
    QByteArray rtf;
    QString text;
    int pictures = 0;
};

// One row of 数学题库, with what its bodies show.
struct GeneratedQuestion
{
    QuestionRecord record; // as stored; its bodies are content.rtf and answer.rtf
    GeneratedBody content;
    GeneratedBody answer;
};

// The question number `index + 1` of a bank generated with `seed` over
// `pathCount` knowledge paths.
GeneratedQuestion generateQuestion(std::uint64_t seed, int index, int pathCount);

struct BankShape
{
    int questions = 1000;
    int paths = 200;
    std::uint64_t seed = 1;
};

// The user every generated bank has.
inline constexpr char16_t kAdminName[] = u"admin";
inline constexpr char16_t kAdminPassword[] = u"admin123";
inline constexpr char16_t kAdminRole[] = u"超级管理";

// An Argon2id hash of `password` at the interactive cost, in libsodium's string
// form, with a salt derived from `seed` instead of a random one: a generated
// bank must come out byte for byte the same each time.
QString seededPasswordHash(const QString& password, std::uint64_t seed);

// Creates a new bank file at `path` (refusing an existing file) and fills it
// in one transaction. `progress` is called now and then with the number of
// questions written. Throws StoreError; a failed bank file is removed.
void generateBank(const QString& path, const BankShape& shape,
                  const std::function<void(int written)>& progress = {});

} // namespace bankgen
