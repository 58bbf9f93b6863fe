#pragma once

#include "BankGenerator.h"
#include "SeededRandom.h"

#include <QString>
#include <QTextCursor>
#include <QTextDocument>

#include <QByteArray>
#include <QSize>

class QImage;

namespace bankgen {

// A drawn figure, encoded once as PNG: the bodies that show it carry these bytes.
struct Figure
{
    QByteArray png;
    QSize size;
};

// Builds one rich-text body from a small markup and keeps its plain text.
//
// Markup: "\n" starts a paragraph; "^{..}" superscript, "_{..}" subscript,
// "*{..}" bold, "`{..}" italic, "~{..}" underline, "!{..}" red, "#{..}" blue.
// A lone lowercase Latin letter (a variable) is set in italics, as teachers
// type formulas.
class SyntheticBodyBuilder
{
public:
    SyntheticBodyBuilder();
    SyntheticBodyBuilder(const SyntheticBodyBuilder&) = delete;
    SyntheticBodyBuilder& operator=(const SyntheticBodyBuilder&) = delete;

    void add(const QString& markup);
    void newParagraph();
    // A figure in a paragraph of its own.
    void addPicture(const Figure& figure);
    // The characters of plain text so far.
    qsizetype length() const { return text_.size(); }
    // Writes the document as RTF; the builder is done then.
    GeneratedBody finish();

private:
    void insertRun(const QString& text, char style);

    QTextDocument doc_;
    QTextCursor cursor_;
    QString text_;
    int pictures_ = 0;
};

// Replaces %1..%9 in `pattern` with `values[0..8]` and %n with `part`.
QString expand(const QString& pattern, std::initializer_list<int> values, int part = 0);

// The content and the answer of a question of `type`, grown by further parts
// until the plain text reaches about `targetChars` characters; with the figure
// after the first paragraph when one is given.
GeneratedBody composeContent(const QString& type, SeededRandom& rng, int targetChars, const Figure* figure);
GeneratedBody composeAnswer(const QString& type, SeededRandom& rng, int targetChars, const Figure* figure);

// A small line drawing as a maths exercise shows one: a triangle, a coordinate
// system with a graph, a circle, parallel lines, a grid or a bar chart.
QImage drawFigure(SeededRandom& rng);

// The figures of a bank generated with `seed`: a fixed set drawn once per seed
// and shared by the bodies, since drawing and PNG-encoding one for every body
// would dominate the generation time. Safe to call from several threads.
inline constexpr int kFigureCount = 256;
const Figure& pooledFigure(std::uint64_t seed, int index);

} // namespace bankgen
