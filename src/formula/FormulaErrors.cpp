#include "formula/FormulaErrors.h"

#include <QRegularExpression>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Translation
{
    QRegularExpression english; // the whole message; its groups fill %1, %2
    QString chinese;
};

const std::vector<Translation>& translations()
{
    static const std::vector<Translation> table = [] {
        const std::pair<QString, QString> pairs[] = {
            {u"Missing close brace"_s, u"缺少右花括号“}”。"_s},
            {u"Extra close brace or missing open brace"_s, u"多了右花括号“}”，或者少了左花括号“{”。"_s},
            {u"Extra open brace or missing close brace"_s, u"多了左花括号“{”，或者少了右花括号“}”。"_s},
            {u"Undefined control sequence (.+)"_s, u"不认识命令 %1，请检查拼写。"_s},
            {u"Missing argument for (.+)"_s, u"%1 缺少参数（写在它后面的花括号里，如 \\frac{1}{2}）。"_s},
            {u"Double exponent: use braces to clarify"_s, u"连着两个上标，请用花括号分开，如 x^{2^3}。"_s},
            {u"Double subscripts: use braces to clarify"_s, u"连着两个下标，请用花括号分开，如 x_{1_2}。"_s},
            {u"Prime causes double exponent: use braces to clarify"_s,
             u"撇号和上标重复，请用花括号分开，如 {x'}^2。"_s},
            {u"Missing superscript or subscript argument"_s, u"“^”或“_”后面缺少上标或下标。"_s},
            {u"Missing \\\\end\\{(.+)\\}"_s, u"缺少 \\end{%1}。"_s},
            {u"\\\\begin\\{(.+)\\} ended with \\\\end\\{(.+)\\}"_s, u"\\begin{%1} 和 \\end{%2} 不配对。"_s},
            {u"Unknown environment ['\"](.+)['\"]"_s, u"不认识环境“%1”。"_s},
            {u"Missing \\\\left or extra \\\\right"_s, u"少了 \\left，或者多了 \\right。"_s},
            {u"Extra \\\\left or missing \\\\right"_s, u"多了 \\left，或者少了 \\right。"_s},
            {u"Missing or unrecognized delimiter for (.+)"_s, u"%1 后面缺少括号，或者括号写错了。"_s},
            {u"Misplaced (.+)"_s, u"%1 用错了地方。"_s},
        };
        std::vector<Translation> out;
        for (const auto& [english, chinese] : pairs)
            out.push_back({QRegularExpression(QRegularExpression::anchoredPattern(english)), chinese});
        return out;
    }();
    return table;
}

} // namespace

QString chineseFormulaError(const QString& message)
{
    for (const Translation& t : translations()) {
        const QRegularExpressionMatch m = t.english.match(message);
        if (!m.hasMatch())
            continue;
        // All groups at once: a command named in one may hold a "%".
        switch (m.lastCapturedIndex()) {
        case 0:
            return t.chinese;
        case 1:
            return t.chinese.arg(m.captured(1));
        default:
            return t.chinese.arg(m.captured(1), m.captured(2));
        }
    }
    return message;
}
