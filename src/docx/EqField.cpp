#include "docx/EqField.h"

#include "metafile/Mtef.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

// A recursive-descent reading of the field code: text, and switches with
// their options and a parenthesised list of arguments.
class EqParser
{
public:
    explicit EqParser(const QString& code) : s_(code) {}

    QString problem;

    // The whole code; stray closing parentheses and commas at the top level are text.
    QString all()
    {
        QString out;
        while (pos_ < s_.size()) {
            out += sequence();
            if (pos_ < s_.size())
                out += s_[pos_++];
        }
        return out;
    }

    QString sequence(int depth = 0)
    {
        QString out;
        while (pos_ < s_.size()) {
            const QChar c = s_[pos_];
            if (c == u')' || c == u',' || c == u';')
                break;
            if (c == u'\\') {
                out += command(depth);
                continue;
            }
            ++pos_;
            out += character(c);
        }
        return out;
    }

private:
    QString character(QChar c)
    {
        if (c == u' ')
            return {};
        const QString command = metafile::latexForCharacter(c.unicode());
        if (!command.isEmpty())
            return command + u' ';
        if (c.unicode() >= 0x2E80)
            return u"\\text{"_s + c + u'}';
        return QString(c);
    }

    QString letters()
    {
        QString name;
        while (pos_ < s_.size() && s_[pos_].isLetter() && s_[pos_].unicode() < 0x80)
            name += s_[pos_++];
        return name.toLower();
    }

    int number()
    {
        QString digits;
        while (pos_ < s_.size() && s_[pos_].isDigit())
            digits += s_[pos_++];
        return digits.toInt();
    }

    // The arguments in parentheses, separated by commas (or semicolons,
    // where the list separator of the system is a comma).
    QStringList arguments(int depth)
    {
        QStringList args;
        while (pos_ < s_.size() && s_[pos_] == u' ')
            ++pos_;
        if (pos_ >= s_.size() || s_[pos_] != u'(')
            return args;
        ++pos_;
        for (;;) {
            args << sequence(depth + 1);
            if (pos_ >= s_.size())
                break;
            const QChar c = s_[pos_++];
            if (c == u')')
                break;
        }
        return args;
    }

    QString command(int depth)
    {
        ++pos_; // the backslash
        if (pos_ >= s_.size())
            return {};
        if (!s_[pos_].isLetter()) // an escaped character: \, \( \\ ...
            return character(s_[pos_++]);
        if (depth > 32) {
            problem = u"EQ 域嵌套过深"_s;
            pos_ = s_.size();
            return {};
        }
        const QString name = letters();
        // Options come as further switches before the arguments: \s\up8(2), \b\lc\{(…).
        QString left = u"("_s;
        QString right = u")"_s;
        bool bracketsGiven = false;
        QString align = u"l"_s;
        int columns = 1;
        int up = 0;
        int down = 0;
        QString integral = u"\\int"_s;
        while (pos_ + 1 < s_.size() && s_[pos_] == u'\\' && s_[pos_ + 1].isLetter()) {
            const qsizetype save = pos_;
            ++pos_;
            const QString option = letters();
            if (option == u"lc" || option == u"rc" || option == u"bc") {
                QChar c = pos_ < s_.size() ? s_[pos_] : QChar();
                if (c == u'\\' && pos_ + 1 < s_.size()) // \lc\{
                    c = s_[++pos_];
                if (pos_ < s_.size())
                    ++pos_;
                const QString d = c == u'{'    ? u"\\{"_s
                                  : c == u'}'  ? u"\\}"_s
                                  : c.isNull() ? u"."_s
                                               : QString(c);
                if (!bracketsGiven) {
                    left = u"."_s;
                    right = u"."_s;
                    bracketsGiven = true;
                }
                if (option == u"lc" || option == u"bc")
                    left = d;
                if (option == u"rc" || option == u"bc") {
                    right = d == u"\\{" ? u"\\}"_s : d == u"(" ? u")"_s : d == u"[" ? u"]"_s : d;
                    if (option == u"rc")
                        right = d;
                }
            } else if (option == u"up") {
                up = std::max(1, number());
            } else if (option == u"do") {
                down = std::max(1, number());
            } else if (option == u"al" || option == u"ac" || option == u"ar") {
                align = option.mid(1);
            } else if (option == u"co") {
                columns = std::clamp(number(), 1, 30);
            } else if (option == u"su") {
                integral = u"\\sum"_s;
            } else if (option == u"pr") {
                integral = u"\\prod"_s;
            } else if (option == u"in" || option == u"fc" || option == u"vc" || option == u"vs" ||
                       option == u"hs" || option == u"ai" || option == u"di" || option == u"to" ||
                       option == u"bo" || option == u"le" || option == u"ri" || option == u"fo" ||
                       option == u"ba" || option == u"li") {
                number();
            } else {
                pos_ = save; // a switch of its own after this one
                break;
            }
        }
        const QStringList a = arguments(depth);
        auto at = [&](int i) { return i < a.size() ? a[i] : QString(); };
        if (name == u"f")
            return u"\\frac{"_s + at(0) + u"}{"_s + at(1) + u'}';
        if (name == u"r") {
            if (a.size() >= 2 && !at(0).isEmpty())
                return u"\\sqrt["_s + at(0) + u"]{"_s + at(1) + u'}';
            return u"\\sqrt{"_s + (a.size() >= 2 ? at(1) : at(0)) + u'}';
        }
        if (name == u"s") {
            if (up > 0 || (down == 0 && a.size() == 1))
                return u"^{"_s + a.join(QString()) + u'}';
            if (down > 0)
                return u"_{"_s + a.join(QString()) + u'}';
            return u"\\substack{"_s + a.join(u"\\\\"_s) + u'}';
        }
        if (name == u"b")
            return u"\\left"_s + left + u' ' + a.join(u","_s) + u"\\right"_s + right;
        if (name == u"a") {
            QStringList rows;
            for (int i = 0; i < a.size(); i += columns)
                rows << a.mid(i, columns).join(u" & "_s);
            return u"\\begin{array}{"_s + QString(columns, align.front()) + u'}' + rows.join(u"\\\\"_s) +
                   u"\\end{array}"_s;
        }
        if (name == u"o") {
            // Overstriking: a digit in a circle is Unicode's circled digit.
            if (a.size() == 2 && (at(0) == u"○" || at(0) == u"\\bigcirc ")) {
                bool ok = false;
                const int n = at(1).toInt(&ok);
                if (ok && n >= 1 && n <= 20)
                    return u"\\text{"_s + QChar(char16_t(0x2460 + n - 1)) + u'}';
            }
            return a.join(QString());
        }
        if (name == u"x")
            return u"\\boxed{"_s + a.join(QString()) + u'}';
        if (name == u"l")
            return a.join(u","_s);
        if (name == u"i")
            return integral + u"_{"_s + at(0) + u"}^{"_s + at(1) + u"}{"_s + at(2) + u'}';
        if (name == u"d")
            return u"\\ "_s;
        if (problem.isEmpty())
            problem = u"EQ 域开关 \\"_s + name;
        return a.join(QString());
    }

    QString s_;
    qsizetype pos_ = 0;
};

} // namespace

EqFieldResult eqFieldToLatex(const QString& code)
{
    QString body = code.trimmed();
    if (body.startsWith(u"EQ", Qt::CaseInsensitive))
        body = body.mid(2);
    EqParser p(body);
    EqFieldResult r;
    r.latex = p.all().trimmed();
    r.problem = p.problem;
    if (r.latex.isEmpty() && r.problem.isEmpty())
        r.problem = u"空的 EQ 域"_s;
    return r;
}

} // namespace docx
