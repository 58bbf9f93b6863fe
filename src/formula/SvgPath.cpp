#include "formula/SvgPath.h"

#include <QList>
#include <QString>
#include <QtMath>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Reads the numbers of path data and transform lists: separated by blanks
// or commas, or by nothing where a sign or a second decimal point starts the
// next ("1.5.5" is 1.5 and .5).
class NumberReader
{
public:
    explicit NumberReader(QStringView text) : text_(text) {}

    void skipSeparators()
    {
        while (pos_ < text_.size() && (text_[pos_].isSpace() || text_[pos_] == u','))
            ++pos_;
    }
    bool atEnd()
    {
        skipSeparators();
        return pos_ >= text_.size();
    }
    QChar peek()
    {
        skipSeparators();
        return pos_ < text_.size() ? text_[pos_] : QChar();
    }
    QChar take() { return text_[pos_++]; }
    bool startsNumber()
    {
        const QChar c = peek();
        return c.isDigit() || c == u'-' || c == u'+' || c == u'.';
    }
    std::optional<double> number()
    {
        skipSeparators();
        const qsizetype start = pos_;
        if (pos_ < text_.size() && (text_[pos_] == u'-' || text_[pos_] == u'+'))
            ++pos_;
        bool point = false;
        bool digits = false;
        while (pos_ < text_.size()) {
            const QChar c = text_[pos_];
            if (c.isDigit()) {
                digits = true;
            } else if (c == u'.' && !point) {
                point = true;
            } else {
                break;
            }
            ++pos_;
        }
        if (!digits)
            return std::nullopt;
        if (pos_ < text_.size() && (text_[pos_] == u'e' || text_[pos_] == u'E')) {
            qsizetype e = pos_ + 1;
            if (e < text_.size() && (text_[e] == u'-' || text_[e] == u'+'))
                ++e;
            if (e < text_.size() && text_[e].isDigit()) {
                while (e < text_.size() && text_[e].isDigit())
                    ++e;
                pos_ = e;
            }
        }
        bool ok = false;
        const double value = text_.mid(start, pos_ - start).toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

} // namespace

std::optional<QPainterPath> parseSvgPathData(QStringView d)
{
    NumberReader in(d);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill); // SVG's default fill rule
    QPointF current;
    QPointF start;
    QPointF lastControl; // of the previous curve, for the smooth forms
    QChar previous;
    QChar command;
    auto points = [&](int n, bool relative, QPointF* out) {
        for (int i = 0; i < n; ++i) {
            const std::optional<double> x = in.number();
            const std::optional<double> y = x ? in.number() : std::nullopt;
            if (!y)
                return false;
            out[i] = QPointF(*x, *y) + (relative ? current : QPointF());
        }
        return true;
    };
    while (!in.atEnd()) {
        if (in.peek().isLetter())
            command = in.take();
        else if (command.isNull() || command == u'Z' || command == u'z')
            return std::nullopt; // numbers with no command before them
        const bool relative = command.isLower();
        const QChar c = command.toUpper();
        QPointF p[3];
        if (c == u'Z') {
            path.closeSubpath();
            current = start;
        } else if (c == u'M') {
            if (!points(1, relative, p))
                return std::nullopt;
            path.moveTo(p[0]);
            current = start = p[0];
            // Further pairs after a move are lines.
            command = relative ? u'l' : u'L';
        } else if (c == u'L') {
            if (!points(1, relative, p))
                return std::nullopt;
            path.lineTo(p[0]);
            current = p[0];
        } else if (c == u'H' || c == u'V') {
            const std::optional<double> v = in.number();
            if (!v)
                return std::nullopt;
            if (c == u'H')
                current.setX(*v + (relative ? current.x() : 0));
            else
                current.setY(*v + (relative ? current.y() : 0));
            path.lineTo(current);
        } else if (c == u'C' || c == u'S') {
            int k = 0;
            if (c == u'S') {
                const bool smooth = previous == u'C' || previous == u'S';
                p[0] = smooth ? 2 * current - lastControl : current;
                k = 1;
            }
            if (!points(3 - k, relative, p + k))
                return std::nullopt;
            path.cubicTo(p[0], p[1], p[2]);
            lastControl = p[1];
            current = p[2];
        } else if (c == u'Q' || c == u'T') {
            if (c == u'T') {
                const bool smooth = previous == u'Q' || previous == u'T';
                p[0] = smooth ? 2 * current - lastControl : current;
                if (!points(1, relative, p + 1))
                    return std::nullopt;
            } else if (!points(2, relative, p)) {
                return std::nullopt;
            }
            path.quadTo(p[0], p[1]);
            lastControl = p[0];
            current = p[1];
        } else {
            return std::nullopt; // arcs, and letters that are no command
        }
        previous = c;
    }
    return path;
}

QString svgPathData(const QPainterPath& path)
{
    QString d;
    const auto n = [](qreal v) { return QString::number(v, 'g', 7); };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (!d.isEmpty())
                d += u'Z';
            d += u'M' + n(e.x) + u' ' + n(e.y);
            break;
        case QPainterPath::LineToElement:
            d += u'L' + n(e.x) + u' ' + n(e.y);
            break;
        case QPainterPath::CurveToElement: {
            if (i + 2 >= path.elementCount())
                return d;
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            d += u'C' + n(e.x) + u' ' + n(e.y) + u' ' + n(c2.x) + u' ' + n(c2.y) + u' ' + n(end.x) + u' ' +
                 n(end.y);
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    if (!d.isEmpty())
        d += u'Z';
    return d;
}

std::optional<QTransform> parseSvgTransform(QStringView text)
{
    QTransform result;
    qsizetype pos = 0;
    while (true) {
        while (pos < text.size() && (text[pos].isSpace() || text[pos] == u','))
            ++pos;
        if (pos >= text.size())
            return result;
        const qsizetype open = text.indexOf(u'(', pos);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u')', open);
        if (close < 0)
            return std::nullopt;
        const QString name = text.mid(pos, open - pos).trimmed().toString();
        NumberReader in(text.mid(open + 1, close - open - 1));
        QList<double> v;
        while (!in.atEnd()) {
            const std::optional<double> x = in.number();
            if (!x)
                return std::nullopt;
            v.append(*x);
        }
        pos = close + 1;
        QTransform t;
        if (name == u"translate" && (v.size() == 1 || v.size() == 2)) {
            t.translate(v[0], v.size() == 2 ? v[1] : 0);
        } else if (name == u"scale" && (v.size() == 1 || v.size() == 2)) {
            t.scale(v[0], v.size() == 2 ? v[1] : v[0]);
        } else if (name == u"rotate" && (v.size() == 1 || v.size() == 3)) {
            if (v.size() == 3)
                t.translate(v[1], v[2]);
            t.rotate(v[0]);
            if (v.size() == 3)
                t.translate(-v[1], -v[2]);
        } else if (name == u"skewX" && v.size() == 1) {
            t.shear(std::tan(qDegreesToRadians(v[0])), 0);
        } else if (name == u"skewY" && v.size() == 1) {
            t.shear(0, std::tan(qDegreesToRadians(v[0])));
        } else if (name == u"matrix" && v.size() == 6) {
            t = QTransform(v[0], v[1], v[2], v[3], v[4], v[5]);
        } else {
            return std::nullopt;
        }
        // The list applies right to left: the later item acts first.
        result = t * result;
    }
}
