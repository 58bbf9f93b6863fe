#include "docx/DocxNumbering.h"

#include "docx/XmlElement.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

QString letters(int n, char16_t a)
{
    // A, B, ..., Z, AA, BB, ... as Word counts letters.
    if (n <= 0)
        return QString::number(n);
    const int repeat = (n - 1) / 26 + 1;
    return QString(repeat, QChar(char16_t(a + (n - 1) % 26)));
}

QString roman(int n, bool upper)
{
    if (n <= 0 || n >= 4000)
        return QString::number(n);
    static const std::pair<int, const char*> parts[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString s;
    for (const auto& [value, text] : parts) {
        while (n >= value) {
            s += QLatin1StringView(text);
            n -= value;
        }
    }
    return upper ? s.toUpper() : s;
}

// 一 二 … 十 十一 … 二十 … 一百零一 …, as chineseCounting and its kin write them.
QString chineseNumber(int n, bool legal)
{
    static const char16_t plain[] = u"〇一二三四五六七八九";
    static const char16_t capital[] = u"零壹贰叁肆伍陆柒捌玖";
    const char16_t* digits = legal ? capital : plain;
    const char16_t* units = legal ? u"拾佰仟" : u"十百千";
    if (n < 0 || n >= 100000)
        return QString::number(n);
    if (n == 0)
        return QString(QChar(legal ? u'零' : u'〇'));
    if (n >= 10000) {
        const QString rest = n % 10000
                                 ? (n % 10000 < 1000 ? u"零"_s : QString()) + chineseNumber(n % 10000, legal)
                                 : QString();
        return chineseNumber(n / 10000, legal) + u'万' + rest;
    }
    QString s;
    bool zero = false;
    const int powers[] = {1000, 100, 10, 1};
    for (int i = 0; i < 4; ++i) {
        const int d = n / powers[i] % 10;
        if (d == 0) {
            if (!s.isEmpty())
                zero = true;
            continue;
        }
        if (zero) {
            s += QChar(legal ? u'零' : u'零');
            zero = false;
        }
        // 十一 rather than 一十一 when ten leads.
        if (!(i == 2 && d == 1 && s.isEmpty() && !legal))
            s += QChar(digits[d]);
        if (i < 3)
            s += QChar(units[2 - i]);
    }
    return s;
}

} // namespace

QString formatListNumber(int n, const QString& f)
{
    if (f == u"decimal" || f.isEmpty())
        return QString::number(n);
    if (f == u"decimalZero")
        return n < 10 && n >= 0 ? u'0' + QString::number(n) : QString::number(n);
    if (f == u"upperLetter")
        return letters(n, u'A');
    if (f == u"lowerLetter")
        return letters(n, u'a');
    if (f == u"upperRoman")
        return roman(n, true);
    if (f == u"lowerRoman")
        return roman(n, false);
    if (f == u"chineseCounting" || f == u"chineseCountingThousand" || f == u"japaneseCounting" ||
        f == u"taiwaneseCounting" || f == u"taiwaneseCountingThousand" || f == u"koreanCounting")
        return chineseNumber(n, false);
    if (f == u"chineseLegalSimplified" || f == u"japaneseLegal")
        return chineseNumber(n, true);
    if (f == u"ideographDigital" || f == u"taiwaneseDigital" || f == u"koreanDigital") {
        static const char16_t d[] = u"〇一二三四五六七八九";
        QString s;
        for (const QChar c : QString::number(n))
            s += c.isDigit() ? QChar(d[c.digitValue()]) : c;
        return s;
    }
    if (f == u"ideographTraditional") {
        static const char16_t stems[] = u"甲乙丙丁戊己庚辛壬癸";
        return n >= 1 && n <= 10 ? QString(QChar(stems[n - 1])) : QString::number(n);
    }
    if (f == u"ideographZodiac") {
        static const char16_t branches[] = u"子丑寅卯辰巳午未申酉戌亥";
        return n >= 1 && n <= 12 ? QString(QChar(branches[n - 1])) : QString::number(n);
    }
    if (f == u"decimalEnclosedCircle" || f == u"decimalEnclosedCircleChinese") {
        if (n >= 1 && n <= 20)
            return QString(QChar(char16_t(0x2460 + n - 1))); // ① … ⑳
        return QString::number(n);
    }
    if (f == u"decimalEnclosedParen") {
        if (n >= 1 && n <= 20)
            return QString(QChar(char16_t(0x2474 + n - 1))); // ⑴ … ⒇
        return u'(' + QString::number(n) + u')';
    }
    if (f == u"decimalEnclosedFullstop") {
        if (n >= 1 && n <= 20)
            return QString(QChar(char16_t(0x2488 + n - 1))); // ⒈ … ⒛
        return QString::number(n) + u'.';
    }
    if (f == u"decimalFullWidth" || f == u"decimalFullWidth2") {
        QString s;
        for (const QChar c : QString::number(n))
            s += c.isDigit() ? QChar(char16_t(0xFF10 + c.digitValue())) : c;
        return s;
    }
    if (f == u"none")
        return {};
    return QString::number(n);
}

void DocxNumbering::read(const QByteArray& numberingXml)
{
    QXmlStreamReader xml(numberingXml);
    auto readLevel = [](const XmlElement& lvl, Level& level) {
        level.defined = true;
        bool ok = false;
        const int start = lvl.childValue(u"w:start", u"1"_s).toInt(&ok);
        level.start = ok && start >= 0 && start < 100000 ? start : 1;
        level.numFmt = lvl.childValue(u"w:numFmt", u"decimal"_s);
        if (const XmlElement* text = lvl.child(u"w:lvlText"))
            level.text = text->attribute(u"w:val"_s);
        else
            level.text.clear();
        if (lvl.hasChild(u"w:lvlRestart")) {
            const int r = lvl.childValue(u"w:lvlRestart").toInt(&ok);
            level.restart = ok && r >= 0 && r <= 9 ? r : -1;
        }
        const QString legal = lvl.hasChild(u"w:isLgl") ? lvl.childValue(u"w:isLgl") : u"0"_s;
        level.legal = legal != u"0" && legal != u"false" && legal != u"off";
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = prefixedName(xml);
        if (name == u"w:abstractNum") {
            const XmlElement e = readElement(xml);
            bool ok = false;
            const int id = e.attribute(u"w:abstractNumId"_s).toInt(&ok);
            if (!ok)
                continue;
            Abstract a;
            for (const XmlElement& lvl : e.children) {
                if (lvl.name != u"w:lvl")
                    continue;
                const int i = lvl.attribute(u"w:ilvl"_s).toInt(&ok);
                if (ok && i >= 0 && i < 9)
                    readLevel(lvl, a.levels[std::size_t(i)]);
            }
            a.styleLink = e.childValue(u"w:numStyleLink");
            if (const QString link = e.childValue(u"w:styleLink"); !link.isEmpty())
                styleLinks_.insert(link, id);
            abstracts_.insert(id, a);
        } else if (name == u"w:num") {
            const XmlElement e = readElement(xml);
            bool ok = false;
            const int id = e.attribute(u"w:numId"_s).toInt(&ok);
            if (!ok)
                continue;
            Num num;
            const int abstractId = e.childValue(u"w:abstractNumId").toInt(&ok);
            num.abstractId = ok ? abstractId : -1;
            for (const XmlElement& o : e.children) {
                if (o.name != u"w:lvlOverride")
                    continue;
                const int i = o.attribute(u"w:ilvl"_s).toInt(&ok);
                if (!ok || i < 0 || i >= 9)
                    continue;
                if (o.hasChild(u"w:startOverride")) {
                    const int start = o.childValue(u"w:startOverride").toInt(&ok);
                    if (ok && start >= 0 && start < 100000)
                        num.startOverride[std::size_t(i)] = start;
                }
                if (const XmlElement* lvl = o.child(u"w:lvl"))
                    readLevel(*lvl, num.levelOverride[std::size_t(i)]);
            }
            nums_.insert(id, num);
        }
    }
}

const DocxNumbering::Level& DocxNumbering::level(const Num& num, const Abstract& a, int lvl) const
{
    static const Level none;
    const auto i = std::size_t(lvl);
    if (num.levelOverride[i].defined)
        return num.levelOverride[i];
    if (a.levels[i].defined)
        return a.levels[i];
    // A list that takes its levels from a numbering style.
    if (!a.styleLink.isEmpty()) {
        const auto linked = abstracts_.constFind(styleLinks_.value(a.styleLink, -1));
        if (linked != abstracts_.constEnd() && linked->levels[i].defined)
            return linked->levels[i];
    }
    return none;
}

QString DocxNumbering::nextLabel(int numId, int lvl)
{
    if (numId == 0 || lvl < 0 || lvl >= 9)
        return {};
    const auto numIt = nums_.constFind(numId);
    if (numIt == nums_.constEnd())
        return {};
    const Num& num = *numIt;
    const auto absIt = abstracts_.constFind(num.abstractId);
    if (absIt == abstracts_.constEnd())
        return {};
    const Abstract& a = *absIt;
    const Level& here = level(num, a, lvl);
    if (!here.defined)
        return {};

    // Lists of one definition count together, as Word counts them; a list
    // that overrides a level's start begins that level afresh where it is
    // first used.
    Counters& c = counters_[num.abstractId];
    std::array<bool, 9>& taken = overridden_[numId];
    const auto i = std::size_t(lvl);
    if (num.startOverride[i] >= 0 && !taken[i]) {
        taken[i] = true;
        c.value[i] = num.startOverride[i];
        c.used[i] = true;
    } else if (!c.used[i]) {
        c.value[i] = here.start;
        c.used[i] = true;
    } else {
        ++c.value[i];
    }
    for (int deeper = lvl + 1; deeper < 9; ++deeper) {
        const int restart = level(num, a, deeper).restart;
        if (restart == 0)
            continue;
        if (restart < 0 || lvl <= restart - 1)
            c.used[std::size_t(deeper)] = false;
    }

    if (here.numFmt == u"bullet") {
        // Bullets are Symbol or Wingdings characters; the label only has to
        // tell the splitter that the paragraph is a bullet.
        const QChar b = here.text.isEmpty() ? QChar(u'•') : here.text.front();
        return b.unicode() >= 0xE000 && b.unicode() <= 0xF8FF ? u"•"_s : QString(b);
    }
    QString label;
    const QString& text = here.text;
    for (qsizetype k = 0; k < text.size(); ++k) {
        if (text[k] == u'%' && k + 1 < text.size() && text[k + 1] >= u'1' && text[k + 1] <= u'9') {
            const int ref = text[k + 1].digitValue() - 1;
            const Level& refLevel = level(num, a, ref);
            const auto r = std::size_t(ref);
            const int value = c.used[r] ? c.value[r] : (refLevel.defined ? refLevel.start : 1);
            label += formatListNumber(value, here.legal ? u"decimal"_s : refLevel.numFmt);
            ++k;
        } else {
            label += text[k];
        }
    }
    return label;
}

} // namespace docx
