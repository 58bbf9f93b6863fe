#include "compose/ChoiceAnswer.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// Full-width ASCII (Ａ, ．, （) as ASCII, the ideographic blank as a blank.
QString halfWidth(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
            c = QChar(char16_t(c.unicode() - 0xFEE0));
        else if (c.unicode() == 0x3000)
            c = u' ';
    }
    return text;
}

// What may follow the letters: the end, a blank, Chinese text or
// punctuation; never a letter, a digit, an operator or a formula.
const QString kAfter = u"(?=$|[\\s.,;:!?)\\]、。，；：！？）】」』【\\x{4E00}-\\x{9FFF}])"_s;

} // namespace

QString choiceLetters(const QString& answer)
{
    const QString text = halfWidth(answer).trimmed();

    // Nothing but letters, blanks and punctuation: "C", "(C)", "C.", "A、D".
    QString bare = text;
    bare.remove(QRegularExpression(u"[\\s.,;:()\\[\\]、。，；：【】]"_s));
    static const QRegularExpression letters(u"^[A-Ha-h]{1,4}$"_s);
    if (letters.match(bare).hasMatch())
        return bare.toUpper();

    // After a marker, wherever it stands; markers that disagree give nothing.
    static const QRegularExpression marker(
        u"(?:【答案】|答案\\s*(?:是|为|选)?|答|故选|应选|选)\\s*[:]?\\s*[(\\[【]?\\s*([A-H]{1,4})\\s*[)\\]】]?"_s +
        kAfter);
    QString found;
    for (auto it = marker.globalMatch(text); it.hasNext();) {
        const QString named = it.next().captured(1);
        if (!found.isEmpty() && found != named)
            return {};
        found = named;
    }
    if (!found.isEmpty())
        return found;

    // An answer that opens as an option does: "C. 因为…", "(C)因为…", or the
    // letter alone on the first line, or before its 解析.
    static const QRegularExpression option(
        u"^(?:([A-H]{1,4})\\s*[.、]|\\(([A-H]{1,4})\\)|([A-H]{1,4})\\s*(?=\\n|[【\\[]?(?:解析|分析|详解|解|理由)))"_s);
    if (const QRegularExpressionMatch m = option.match(text); m.hasMatch()) {
        for (int i = 1; i <= 3; ++i) {
            if (m.hasCaptured(i))
                return m.captured(i);
        }
    }
    return {};
}
