#include "metafile/ByteReader.h"
#include "metafile/MtefTree.h"

using namespace Qt::StringLiterals;

namespace metafile::mtef {

namespace {

// Equations nest a few levels deep; a damaged or hostile stream could nest
// without end.
constexpr int kMaxDepth = 96;
constexpr int kMaxRecords = 200000;

enum Record : int {
    End = 0,
    Line = 1,
    Char = 2,
    Tmpl = 3,
    Pile = 4,
    Matrix = 5,
    Embell = 6,
    Ruler = 7,
    FontStyleDef = 8, // v3: FONT
    Size = 9,
    Full = 10,
    SubSym = 14,
    Color = 15,
    ColorDef = 16,
    FontDef = 17,
    EqnPrefs = 18,
    EncodingDef = 19,
};

class Reader
{
public:
    Reader(QByteArrayView data, Equation& eq) : r_(data), eq_(eq) {}

    bool run(QString& error)
    {
        if (!header()) {
            error = error_;
            return false;
        }
        eq_.root.kind = Node::Kind::Line;
        const bool ok = objectList(eq_.root.children, 0, true);
        error = error_;
        return ok && error_.isEmpty();
    }

private:
    bool fail(const QString& what)
    {
        if (error_.isEmpty())
            error_ = what;
        return false;
    }
    bool truncated() { return fail(u"公式数据不完整"_s); }

    bool header()
    {
        const int version = r_.u8();
        if (r_.overrun())
            return truncated();
        eq_.version = version;
        if (version == 2 || version == 3) {
            r_.skip(4); // platform, product, product version and subversion
        } else if (version == 5) {
            r_.skip(4);
            while (!r_.atEnd() && r_.u8() != 0) { // application key, e.g. "DSMT4"
            }
            r_.u8(); // equation options
        } else {
            return fail(u"MTEF 版本 %1"_s.arg(version));
        }
        return r_.overrun() ? truncated() : true;
    }

    // A record's type and options: v5 has an options byte after the type for
    // the structure records, v3 keeps the options in the type byte's high half.
    bool tag(int& type, int& options)
    {
        const int b = r_.u8();
        if (r_.overrun())
            return truncated();
        if (eq_.version == 5) {
            type = b;
            options = 0;
            if (b == Line || b == Char || b == Tmpl || b == Pile || b == Matrix || b == Embell ||
                b == ColorDef || b == EqnPrefs)
                options = r_.u8();
        } else {
            type = b & 0x0F;
            options = b >> 4;
        }
        if (++records_ > kMaxRecords)
            return fail(u"公式过于复杂"_s);
        return r_.overrun() ? truncated() : true;
    }

    void nudge(int options)
    {
        if (!(options & 0x08))
            return;
        const int dx = r_.u8();
        const int dy = r_.u8();
        if (dx == 128 && dy == 128)
            r_.skip(4);
    }

    int unsignedInt()
    {
        const int b = r_.u8();
        if (b < 255)
            return b;
        return r_.u16();
    }

    int signedInt()
    {
        const int b = r_.u8();
        if (b < 255)
            return b - 128;
        return int(r_.u16()) - 32768;
    }

    QString zeroTerminated()
    {
        QByteArray s;
        while (!r_.atEnd()) {
            const char c = char(r_.u8());
            if (c == 0)
                break;
            if (s.size() < 256)
                s.append(c);
        }
        return QString::fromLatin1(s);
    }

    void ruler()
    {
        // The RULER record follows with its own type byte.
        const int type = r_.u8();
        if (eq_.version != 5 && (type & 0x0F) != Ruler)
            return;
        const int stops = r_.u8();
        r_.skip(qsizetype(stops) * 3);
    }

    void nibbleArray()
    {
        // A count of dimensions, each a units nibble, value nibbles and 0xF.
        const int count = r_.u8();
        int ended = 0;
        while (ended < count && !r_.atEnd()) {
            const int b = r_.u8();
            if ((b >> 4) == 0xF)
                ++ended;
            if (ended < count && (b & 0xF) == 0xF)
                ++ended;
        }
    }

    // Records that are not part of the structure: definitions, sizes, colours.
    bool definition(int type, int options)
    {
        switch (type) {
        case Ruler: {
            const int stops = r_.u8();
            r_.skip(qsizetype(stops) * 3);
            return true;
        }
        case FontStyleDef:
            if (eq_.version == 5) {
                const int font = unsignedInt();
                const int style = r_.u8();
                FontStyle f;
                for (const auto& [n, d] : fontDefs_) {
                    if (n == font)
                        f.name = d;
                }
                f.bold = style & 1;
                f.italic = style & 2;
                eq_.fonts.append({++fontStyles_, f});
            } else {
                const int face = r_.u8();
                const int style = r_.u8();
                FontStyle f;
                f.name = zeroTerminated();
                f.italic = style & 1;
                f.bold = style & 2;
                eq_.fonts.append({-face, f});
            }
            return true;
        case Size: {
            const int lsize = r_.u8();
            if (lsize == 101)
                r_.skip(2);
            else if (lsize == 100)
                r_.skip(3);
            else
                r_.u8();
            return true;
        }
        case Color:
            unsignedInt();
            return true;
        case ColorDef:
            r_.skip(options & 1 ? 8 : 6);
            if (options & 4)
                zeroTerminated();
            return true;
        case FontDef: {
            unsignedInt();
            fontDefs_.append({int(fontDefs_.size()) + 1, zeroTerminated()});
            return true;
        }
        case EqnPrefs: {
            nibbleArray();
            nibbleArray();
            const int styles = r_.u8();
            for (int i = 0; i < styles && !r_.atEnd(); ++i) {
                if (unsignedInt() != 0)
                    r_.u8();
            }
            return true;
        }
        case EncodingDef:
            zeroTerminated();
            return true;
        default:
            if (type >= Full && type <= SubSym)
                return true;
            if (eq_.version == 5 && type >= 100) { // future records say their length
                r_.skip(unsignedInt());
                return true;
            }
            return fail(u"记录类型 %1"_s.arg(type));
        }
    }

    // Reads records up to the END that closes the list (or the data's end at
    // the top level) into `out`.
    bool objectList(std::vector<Node>& out, int depth, bool top = false)
    {
        if (depth > kMaxDepth)
            return fail(u"公式嵌套过深"_s);
        while (true) {
            if (r_.atEnd())
                return top ? true : truncated();
            int type = 0;
            int options = 0;
            if (!tag(type, options))
                return false;
            switch (type) {
            case End:
                return true;
            case Line:
            case Char:
            case Tmpl:
            case Pile:
            case Matrix: {
                Node n;
                if (!object(type, options, n, depth + 1))
                    return false;
                out.push_back(std::move(n));
                break;
            }
            case Embell: // an embellishment outside a character's list: ignored
                nudge(options);
                r_.u8();
                break;
            default:
                if (!definition(type, options))
                    return false;
                break;
            }
            if (r_.overrun())
                return truncated();
        }
    }

    bool object(int type, int options, Node& n, int depth)
    {
        nudge(options);
        switch (type) {
        case Line:
            n.kind = Node::Kind::Line;
            if (options & 0x04)
                r_.skip(2); // line spacing
            if (options & 0x02)
                ruler();
            if (options & 0x01) {
                n.null = true;
                return !r_.overrun() || truncated();
            }
            return objectList(n.children, depth);
        case Char: {
            n.kind = Node::Kind::Char;
            n.typeface = eq_.version == 5 ? signedInt() : int(r_.u8()) - 128;
            if (eq_.version == 5) {
                n.functionStart = options & 0x02;
                const bool noMtCode = options & 0x20;
                if (!noMtCode)
                    n.code = r_.u16();
                if (options & 0x04) {
                    const int position = r_.u8();
                    if (noMtCode) {
                        n.code = char32_t(position);
                        n.fontPosition = true;
                    }
                } else if (options & 0x10) {
                    const int position = r_.u16();
                    if (noMtCode) {
                        n.code = char32_t(position);
                        n.fontPosition = true;
                    }
                }
                if (options & 0x01)
                    return embellishments(n);
            } else {
                n.code = r_.u16();
                if (options & 0x02)
                    return embellishments(n);
            }
            return !r_.overrun() || truncated();
        }
        case Tmpl: {
            n.kind = Node::Kind::Template;
            n.selector = r_.u8();
            n.variation = r_.u8();
            if (eq_.version == 5 && (n.variation & 0x80))
                n.variation = (n.variation & 0x7F) | (int(r_.u8()) << 8);
            n.options = r_.u8();
            return objectList(n.children, depth);
        }
        case Pile:
            n.kind = Node::Kind::Pile;
            n.halign = r_.u8();
            n.valign = r_.u8();
            if (options & 0x02)
                ruler();
            return objectList(n.children, depth);
        case Matrix: {
            n.kind = Node::Kind::Matrix;
            n.valign = r_.u8();
            n.halign = r_.u8();
            r_.u8(); // vertical justification
            n.rows = r_.u8();
            n.cols = r_.u8();
            auto partitions = [this](int count, std::vector<int>& styles) {
                const int bytes = (count * 2 + 7) / 8;
                const QByteArrayView b = r_.bytes(bytes);
                for (int i = 0; i < count && i / 4 < b.size(); ++i)
                    styles.push_back((quint8(b[i / 4]) >> (6 - 2 * (i % 4))) & 3);
            };
            partitions(n.rows + 1, n.rowLines);
            partitions(n.cols + 1, n.colLines);
            return objectList(n.children, depth);
        }
        default:
            return fail(u"记录类型 %1"_s.arg(type));
        }
    }

    bool embellishments(Node& n)
    {
        while (true) {
            int type = 0;
            int options = 0;
            if (!tag(type, options))
                return false;
            if (type == End)
                return true;
            if (type != Embell) {
                if (!definition(type, options))
                    return false;
                continue;
            }
            nudge(options);
            n.embellishments.push_back(r_.u8());
            if (r_.overrun())
                return truncated();
            if (n.embellishments.size() > 16)
                return fail(u"修饰过多"_s);
        }
    }

    ByteReader r_;
    Equation& eq_;
    QString error_;
    int records_ = 0;
    int fontStyles_ = 0;
    QList<std::pair<int, QString>> fontDefs_;
};

} // namespace

bool read(QByteArrayView mtef, Equation& equation, QString& error)
{
    Reader reader(mtef, equation);
    return reader.run(error);
}

} // namespace metafile::mtef
