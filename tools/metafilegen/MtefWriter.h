#pragma once

// Writes MTEF byte streams (version 5, as MathType 4 and later write them;
// version 3, as Equation Editor 3.0 does; version 2, as its predecessors did,
// with version 3's records) from records put together by hand, following the
// published description of the format.

#include <QByteArray>
#include <QList>
#include <QString>

namespace metafilegen {

class MtefWriter
{
public:
    // Typefaces.
    enum : int {
        Text = 1,
        Function = 2,
        Variable = 3,
        LcGreek = 4,
        UcGreek = 5,
        Symbol = 6,
        Vector = 7,
        Number = 8,
        MtExtra = 11,
        Space = 24,
    };

    explicit MtefWriter(int version = 5) : version_(version) {}
    int version() const { return version_; }

    // A line (slot) with its objects; an empty one is written as a null line.
    QByteArray line(const QList<QByteArray>& items) const;
    QByteArray nullLine() const;
    // A character: `code` is its MTCode (Unicode) in version 5 and its
    // Unicode value in version 3, a Symbol position for the Greek and symbol
    // typefaces in version 2 (and for Latin letters in a Greek typeface in 3).
    QByteArray ch(char32_t code, int typeface, const QList<int>& embellishments = {},
                  bool functionStart = false) const;
    // Version 5 only: a character by its position in the font, without MTCode.
    QByteArray fontPosition(quint8 position, int typeface) const;
    // Several characters of one typeface.
    QList<QByteArray> chars(const QString& text, int typeface) const;
    QByteArray tmpl(int selector, int variation, const QList<QByteArray>& subobjects, int options = 0) const;
    QByteArray pile(int halign, int valign, const QList<QByteArray>& lines) const;
    QByteArray matrix(int rows, int cols, const QList<QByteArray>& cells, int hjust = 2,
                      const QList<int>& rowLines = {}, const QList<int>& colLines = {}) const;
    // A typesize record (0 full, 1 sub, ...).
    QByteArray typesize(int lsize) const;
    // A version 3 FONT record: typeface number `face` (characters use -face)
    // for the font `name`.
    QByteArray font3(int face, const QString& name, bool italic, bool bold) const;
    // A version 5 FONT_STYLE_DEF record: the next style number (characters
    // use its negative) for the font definition `fontDef` (equation() defines
    // 1 Times New Roman, 2 Symbol, 3 Courier New, 4 MT Extra).
    QByteArray fontStyle5(int fontDef, bool italic, bool bold) const;

    // The whole stream: header, the definitions MathType writes first,
    // a full-size record, one line of `items`, the end.
    QByteArray equation(const QList<QByteArray>& items, const QByteArray& before = {}) const;

private:
    QByteArray tag(int type, int options) const;
    int version_;
};

} // namespace metafilegen
