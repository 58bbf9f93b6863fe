#include "MtefWriter.h"

namespace metafilegen {

namespace {

void put16(QByteArray& out, int v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

} // namespace

QByteArray MtefWriter::tag(int type, int options) const
{
    QByteArray t;
    if (version_ == 5) {
        t.append(char(type));
        if (type >= 1 && type <= 6)
            t.append(char(options));
    } else {
        t.append(char(type | (options << 4)));
    }
    return t;
}

QByteArray MtefWriter::line(const QList<QByteArray>& items) const
{
    if (items.isEmpty())
        return nullLine();
    QByteArray b = tag(1, 0);
    for (const QByteArray& i : items)
        b += i;
    b.append('\0');
    return b;
}

QByteArray MtefWriter::nullLine() const
{
    return tag(1, 1);
}

QByteArray MtefWriter::ch(char32_t code, int typeface, const QList<int>& embellishments,
                          bool functionStart) const
{
    const bool embell = !embellishments.isEmpty();
    QByteArray b;
    if (version_ == 5)
        b = tag(2, (embell ? 0x01 : 0) | (functionStart ? 0x02 : 0));
    else
        b = tag(2, embell ? 0x2 : 0);
    b.append(char(typeface + 128));
    put16(b, int(code));
    if (embell) {
        for (int e : embellishments) {
            b += tag(6, 0);
            b.append(char(e));
        }
        b.append('\0');
    }
    return b;
}

QByteArray MtefWriter::fontPosition(quint8 position, int typeface) const
{
    QByteArray b = tag(2, 0x04 | 0x20);
    b.append(char(typeface + 128));
    b.append(char(position));
    return b;
}

QList<QByteArray> MtefWriter::chars(const QString& text, int typeface) const
{
    QList<QByteArray> out;
    for (int i = 0; i < text.size(); ++i)
        out << ch(text[i].unicode(), typeface, {}, typeface == Function && i == 0);
    return out;
}

QByteArray MtefWriter::tmpl(int selector, int variation, const QList<QByteArray>& subobjects,
                            int options) const
{
    QByteArray b = tag(3, 0);
    b.append(char(selector));
    if (version_ == 5 && variation >= 0x80) {
        b.append(char((variation & 0x7F) | 0x80));
        b.append(char(variation >> 8));
    } else {
        b.append(char(variation));
    }
    b.append(char(options));
    for (const QByteArray& s : subobjects)
        b += s;
    b.append('\0');
    return b;
}

QByteArray MtefWriter::pile(int halign, int valign, const QList<QByteArray>& lines) const
{
    QByteArray b = tag(4, 0);
    b.append(char(halign)).append(char(valign));
    for (const QByteArray& l : lines)
        b += l;
    b.append('\0');
    return b;
}

QByteArray MtefWriter::matrix(int rows, int cols, const QList<QByteArray>& cells, int hjust,
                              const QList<int>& rowLines, const QList<int>& colLines) const
{
    QByteArray b = tag(5, 0);
    b.append(char(0)).append(char(hjust)).append(char(0)).append(char(rows)).append(char(cols));
    auto parts = [&b](int count, const QList<int>& styles) {
        QByteArray bits((count * 2 + 7) / 8, '\0');
        for (int i = 0; i < count && i < styles.size(); ++i)
            bits[i / 4] = char(quint8(bits[i / 4]) | (styles[i] & 3) << (6 - 2 * (i % 4)));
        b += bits;
    };
    parts(rows + 1, rowLines);
    parts(cols + 1, colLines);
    for (const QByteArray& c : cells)
        b += c;
    b.append('\0');
    return b;
}

QByteArray MtefWriter::typesize(int lsize) const
{
    return QByteArray(1, char(10 + lsize));
}

QByteArray MtefWriter::font3(int face, const QString& name, bool italic, bool bold) const
{
    QByteArray b = tag(8, 0);
    b.append(char(face)).append(char((italic ? 1 : 0) | (bold ? 2 : 0)));
    b.append(name.toLatin1()).append('\0');
    return b;
}

QByteArray MtefWriter::fontStyle5(int fontDef, bool italic, bool bold) const
{
    QByteArray b;
    b.append(char(8)).append(char(fontDef)).append(char((bold ? 1 : 0) | (italic ? 2 : 0)));
    return b;
}

QByteArray MtefWriter::equation(const QList<QByteArray>& items, const QByteArray& before) const
{
    QByteArray b;
    if (version_ == 5) {
        b.append(char(5)).append(char(1)).append(char(0)).append(char(6)).append(char(9));
        b.append("DSMT6").append('\0');
        b.append(char(0)); // display equation
        // What MathType puts first: an encoding, fonts, the preferences.
        b.append(char(19)).append("WinAllBasicCodePages").append('\0');
        b.append(char(17)).append(char(5)).append("Times New Roman").append('\0');
        b.append(char(17)).append(char(3)).append("Symbol").append('\0');
        b.append(char(17)).append(char(5)).append("Courier New").append('\0');
        b.append(char(17)).append(char(4)).append("MT Extra").append('\0');
        b.append(char(18)).append(char(0));
        b.append(char(2))
            .append(char(0x21))
            .append(char(0x2F))
            .append(char(0x45))
            .append(char(0x8F));                                                    // 12 pt, 58 %
        b.append(char(1)).append(char(0x20)).append(char(0xA5)).append(char(0xF0)); // 0.5 pt
        b.append(char(3)).append(char(1)).append(char(0)).append(char(0)).append(char(2)).append(char(2));
    } else {
        b.append(char(version_)).append(char(1)).append(char(1)).append(char(3)).append(char(0));
    }
    b += before;
    b += typesize(0);
    b += tag(1, 0);
    for (const QByteArray& i : items)
        b += i;
    b.append('\0'); // end of the line
    b.append('\0'); // end of the equation
    return b;
}

} // namespace metafilegen
