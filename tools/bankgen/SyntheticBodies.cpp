#include "SyntheticBodies.h"

#include "rtf/RtfWriter.h"

#include <QColor>
#include <QImage>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextImageFormat>
#include <QUrl>

#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace bankgen {

// ---------------------------------------------------------------------------
// SyntheticBodyBuilder

SyntheticBodyBuilder::SyntheticBodyBuilder() : cursor_(&doc_)
{
    // One edit block for the whole body: outside one, every insertion would
    // lay out its paragraph again to place the cursor.
    doc_.setUndoRedoEnabled(false);
    cursor_.beginEditBlock();
}

void SyntheticBodyBuilder::insertRun(const QString& text, char style)
{
    if (text.isEmpty())
        return;
    QTextCharFormat f;
    switch (style) {
    case '^':
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        break;
    case '_':
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        break;
    case '*':
        f.setFontWeight(QFont::Bold);
        break;
    case '`':
        f.setFontItalic(true);
        break;
    case '~':
        f.setFontUnderline(true);
        break;
    case '!':
        f.setForeground(QColor(0xC0, 0, 0));
        break;
    case '#':
        f.setForeground(QColor(0, 0, 0xC0));
        break;
    default:
        break;
    }
    cursor_.insertText(text, f);
    text_ += text;
}

namespace {

bool isLower(QChar c)
{
    return c >= u'a' && c <= u'z';
}

bool isLatin(QChar c)
{
    return isLower(c) || (c >= u'A' && c <= u'Z');
}

bool isStyleMark(QChar c)
{
    return c == u'^' || c == u'_' || c == u'*' || c == u'`' || c == u'~' || c == u'!' || c == u'#';
}

} // namespace

void SyntheticBodyBuilder::add(const QString& markup)
{
    QString plain;
    const auto flushPlain = [&] {
        // Single lowercase letters are variables: italic, the rest upright.
        qsizetype start = 0;
        for (qsizetype i = 0; i < plain.size(); ++i) {
            const bool variable = isLower(plain[i]) && (i == 0 || !isLatin(plain[i - 1])) &&
                                  (i + 1 == plain.size() || !isLatin(plain[i + 1]));
            if (variable) {
                insertRun(plain.mid(start, i - start), 0);
                insertRun(plain.mid(i, 1), '`');
                start = i + 1;
            }
        }
        insertRun(plain.mid(start), 0);
        plain.clear();
    };

    for (qsizetype i = 0; i < markup.size(); ++i) {
        const QChar c = markup[i];
        if (c == u'\n') {
            flushPlain();
            newParagraph();
        } else if (isStyleMark(c) && i + 1 < markup.size() && markup[i + 1] == u'{') {
            const qsizetype end = markup.indexOf(u'}', i + 2);
            if (end < 0) {
                plain += c;
                continue;
            }
            flushPlain();
            insertRun(markup.mid(i + 2, end - i - 2), char(c.unicode()));
            i = end;
        } else {
            plain += c;
        }
    }
    flushPlain();
}

void SyntheticBodyBuilder::newParagraph()
{
    cursor_.insertBlock();
    text_ += u'\n';
}

void SyntheticBodyBuilder::addPicture(const Figure& figure)
{
    if (!text_.isEmpty())
        newParagraph();
    ++pictures_;
    const QString name = u"figure%1.png"_s.arg(pictures_);
    // The PNG bytes as the resource: the writer stores them as they are.
    doc_.addResource(QTextDocument::ImageResource, QUrl(name), figure.png);
    QTextImageFormat f;
    f.setName(name);
    f.setWidth(figure.size.width());
    f.setHeight(figure.size.height());
    cursor_.insertImage(f);
    text_ += QChar(QChar::ObjectReplacementCharacter);
}

GeneratedBody SyntheticBodyBuilder::finish()
{
    cursor_.endEditBlock();
    return GeneratedBody{RtfWriter::write(doc_), text_, pictures_};
}

QString expand(const QString& pattern, std::initializer_list<int> values, int part)
{
    const std::vector<int> v(values);
    QString out;
    out.reserve(pattern.size() + 16);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'%' && i + 1 < pattern.size()) {
            const QChar d = pattern[i + 1];
            if (d >= u'1' && d <= u'9' && std::size_t(d.unicode() - u'1') < v.size()) {
                out += QString::number(v[d.unicode() - u'1']);
                ++i;
                continue;
            }
            if (d == u'n') {
                out += QString::number(part);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// ---------------------------------------------------------------------------
// Question texts

namespace {

using Stem = std::function<QString(SeededRandom&)>;

// Pythagorean triples for right triangles with whole sides.
struct Triple
{
    int a, b, c;
};
const std::vector<Triple> kTriples = {{3, 4, 5},   {6, 8, 10},  {5, 12, 13},
                                      {8, 15, 17}, {9, 12, 15}, {7, 24, 25}};

QString options(const QString& a, const QString& b, const QString& c, const QString& d)
{
    return u"\nA．"_s + a + u"　　B．"_s + b + u"\nC．"_s + c + u"　　D．"_s + d;
}

QString num(int v)
{
    return QString::number(v);
}

const std::vector<Stem>& choiceStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom& r) {
            const int a = r.between(2, 9);
            return expand(u"下列各数中，比-%1小的数是（　　）"_s, {a}) +
                   options(num(-a - r.between(1, 5)), u"0"_s, num(-a + 1), u"√%1"_s.arg(r.between(2, 7)));
        },
        [](SeededRandom&) {
            return u"下列运算正确的是（　　）"_s + options(u"a^{2}·a^{3}=a^{6}"_s, u"(a^{3})^{2}=a^{5}"_s,
                                                           u"a^{6}÷a^{2}=a^{4}"_s, u"2a+3b=5ab"_s);
        },
        [](SeededRandom& r) {
            const int x = r.between(35, 75);
            return expand(u"如图，直线a∥b，直线c与a、b分别相交，若∠1=%1°，则∠2的度数为（　　）"_s, {x}) +
                   options(num(x) + u"°"_s, num(180 - x) + u"°"_s, num(90 - x / 2) + u"°"_s,
                           num(x / 2 + 10) + u"°"_s);
        },
        [](SeededRandom& r) {
            return expand(u"一元二次方程x^{2}-%1x+%2=0的根的情况是（　　）"_s,
                          {r.between(2, 8), r.between(1, 20)}) +
                   options(u"有两个不相等的实数根"_s, u"有两个相等的实数根"_s, u"没有实数根"_s,
                           u"无法确定"_s);
        },
        [](SeededRandom& r) {
            const Triple t = r.pick(kTriples);
            return expand(u"在Rt△ABC中，∠C=90°，BC=%1，AC=%2，则sinA的值为（　　）"_s, {t.a, t.b}) +
                   options(expand(u"%1/%2"_s, {t.a, t.c}), expand(u"%1/%2"_s, {t.b, t.c}),
                           expand(u"%1/%2"_s, {t.a, t.b}), expand(u"%1/%2"_s, {t.b, t.a}));
        },
        [](SeededRandom& r) {
            const int all = r.between(3, 9) * 100;
            const int some = r.between(5, 20) * 10;
            return expand(
                       u"某校九年级%1名学生参加体育测试，从中抽取%2名学生的成绩进行统计分析，下列说法正确的是（　　）"_s,
                       {all, some}) +
                   options(expand(u"%1名学生是总体"_s, {all}), u"每名学生是个体"_s,
                           expand(u"%1名学生的成绩是总体的一个样本"_s, {some}),
                           expand(u"样本容量是%1名"_s, {some}));
        },
        [](SeededRandom&) {
            return u"下列图形中，既是轴对称图形又是*{中心对称图形}的是（　　）"_s +
                   options(u"等边三角形"_s, u"平行四边形"_s, u"矩形"_s, u"正五边形"_s);
        },
        [](SeededRandom& r) {
            const int x = r.between(1, 6);
            const int y = -r.between(1, 6);
            return expand(u"若反比例函数y=k/x的图象经过点(%1，%2)，则k的值为（　　）"_s, {x, y}) +
                   options(num(x * y), num(-x * y), expand(u"%1/%2"_s, {x, -y}), num(x + y));
        },
        [](SeededRandom& r) {
            const int n = r.between(5, 8);
            return expand(u"一个多边形的内角和是%1°，这个多边形的边数是（　　）"_s, {(n - 2) * 180}) +
                   options(num(n - 1), num(n), num(n + 1), num(n + 2));
        },
        [](SeededRandom& r) {
            const int a = r.between(2, 9);
            return expand(u"将抛物线y=x^{2}向右平移%1个单位，再向上平移%2个单位，得到的抛物线是（　　）"_s,
                          {a, a + 1}) +
                   options(expand(u"y=(x-%1)^{2}+%2"_s, {a, a + 1}), expand(u"y=(x+%1)^{2}+%2"_s, {a, a + 1}),
                           expand(u"y=(x-%1)^{2}-%2"_s, {a, a + 1}),
                           expand(u"y=(x+%1)^{2}-%2"_s, {a, a + 1}));
        },
    };
    return stems;
}

const std::vector<Stem>& blankStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom& r) {
            const int a = r.between(2, 9);
            return expand(u"分解因式：x^{2}-%1=~{　　　　　　}．"_s, {a * a});
        },
        [](SeededRandom& r) {
            return expand(u"函数y=√(x-%1)中，自变量x的取值范围是______．"_s, {r.between(1, 9)});
        },
        [](SeededRandom& r) {
            const Triple t = r.pick(kTriples);
            return expand(u"在△ABC中，∠C=90°，AB=%1，BC=%2，则AC=______．"_s, {t.c, t.a});
        },
        [](SeededRandom& r) {
            return expand(u"已知一组数据%1，%2，%3，%4，%5，则这组数据的中位数是______，众数是______．"_s,
                          {r.between(60, 99), r.between(60, 99), r.between(60, 99), r.between(60, 99),
                           r.between(60, 99)});
        },
        [](SeededRandom& r) {
            const int radius = r.between(2, 6);
            return expand(
                u"一个圆锥的底面半径为%1 cm，母线长为%2 cm，则它的侧面积为______cm^{2}（结果保留π）．"_s,
                {radius, radius + r.between(2, 6)});
        },
        [](SeededRandom& r) {
            return expand(u"若|a-%1|+(b+%2)^{2}=0，则a+b=______．"_s, {r.between(1, 9), r.between(1, 9)});
        },
        [](SeededRandom& r) {
            return expand(u"据统计，某市去年接待游客约%1%200000人次，将%1%200000用科学记数法表示为______．"_s,
                          {r.between(11, 99), r.between(1, 9)});
        },
        [](SeededRandom& r) {
            const int a = r.between(30, 80);
            return expand(u"如图，AB是⊙O的直径，点C在⊙O上，若∠ABC=%1°，则∠BAC=______°．"_s, {a});
        },
    };
    return stems;
}

const std::vector<Stem>& judgementStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom&) { return u"两个锐角的和一定是钝角．（　　）"_s; },
        [](SeededRandom&) { return u"对角线互相垂直的四边形是菱形．（　　）"_s; },
        [](SeededRandom&) { return u"无限小数都是无理数．（　　）"_s; },
        [](SeededRandom&) { return u"若a>b，则ac^{2}>bc^{2}．（　　）"_s; },
        [](SeededRandom& r) {
            const int a = r.between(2, 12);
            return expand(u"%1的平方根是±%2．（　　）"_s, {a * a, a});
        },
        [](SeededRandom&) { return u"相等的圆心角所对的弧相等．（　　）"_s; },
        [](SeededRandom&) { return u"三角形的外角大于它的任何一个内角．（　　）"_s; },
        [](SeededRandom&) { return u"π是一个无理数，它不能用分数表示．（　　）"_s; },
    };
    return stems;
}

const std::vector<Stem>& calculationStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom& r) {
            return expand(u"计算：√%1-|-%2|+(π-3.14)^{0}-(1/2)^{-1}．"_s,
                          {r.between(2, 9) * 4, r.between(2, 9)});
        },
        [](SeededRandom& r) {
            return expand(u"计算：(-%1)^{2}×(-1/%2)+%3÷(-%4)．"_s,
                          {r.between(2, 6), r.between(2, 9), r.between(2, 9) * 4, 4});
        },
        [](SeededRandom& r) {
            const int a = r.between(1, 5);
            return expand(u"先化简，再求值：(x+%1)^{2}-(x+%2)(x-%2)，其中x=%3．"_s,
                          {a, a + 1, r.between(-3, 3)});
        },
        [](SeededRandom& r) {
            const int x = r.between(1, 6), y = r.between(1, 6), a = r.between(1, 4), b = r.between(1, 4),
                      c = r.between(2, 5);
            return expand(u"解方程组：\n{ %1x+%2y=%3，\n{ %4x-y=%5．"_s, {a, b, a * x + b * y, c, c * x - y});
        },
        [](SeededRandom& r) {
            return expand(u"解不等式组：2x-%1<%2，且(x+%3)/2≥%4，并把它的解集在数轴上表示出来．"_s,
                          {r.between(1, 5), r.between(3, 9), r.between(1, 5), r.between(1, 4)});
        },
        [](SeededRandom&) { return u"计算：2sin30°+tan45°-cos^{2}60°+(√3-1)^{0}．"_s; },
        [](SeededRandom& r) {
            const int a = r.between(2, 5);
            return expand(u"解分式方程：%1/(x-1)=%2/(x+1)．"_s, {a, a + r.between(1, 3)});
        },
        [](SeededRandom& r) {
            return expand(u"用配方法解方程：x^{2}-%1x-%2=0．"_s, {r.between(1, 4) * 2, r.between(1, 9)});
        },
    };
    return stems;
}

const std::vector<Stem>& solutionStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom& r) {
            const int a = r.between(-3, 0), b = r.between(1, 5);
            return expand(
                u"已知二次函数y=x^{2}+bx+c的图象经过点A(%1，0)和B(%2，0)．\n（1）求这个二次函数的解析式；\n"
                u"（2）求该函数图象的顶点坐标；\n（3）当x取何值时，y随x的增大而增大？"_s,
                {a, b});
        },
        [](SeededRandom& r) {
            return expand(
                u"如图，在平面直角坐标系xOy中，一次函数y=%1x+%2的图象与反比例函数y=k/x的图象交于A、B两点，"
                u"点A的横坐标为%3．\n（1）求k的值；\n（2）求△AOB的面积．"_s,
                {r.between(1, 3), r.between(1, 4), r.between(1, 3)});
        },
        [](SeededRandom& r) {
            return expand(u"为了解学生的课外阅读情况，某校随机抽取了%"
                          u"1名学生进行调查，并将结果绘制成如下两幅不完整的统计图．\n"
                          u"（1）求扇形统计图中“经常阅读”所对应的圆心角的度数；\n"
                          u"（2）补全条形统计图；\n（3）若该校共有%2名学生，估计“从不阅读”的学生人数．"_s,
                          {r.between(4, 20) * 10, r.between(10, 30) * 100});
        },
        [](SeededRandom& r) {
            const int a = r.between(1, 4);
            return expand(u"已知关于x的一元二次方程x^{2}-(%1+m)x+%1m=0．\n（1）求证：方程总有两个实数根；\n"
                          u"（2）若方程有一个根大于%2，求m的取值范围．"_s,
                          {a, a + 1});
        },
        [](SeededRandom& r) {
            const Triple t = r.pick(kTriples);
            return expand(u"如图，在矩形ABCD中，AB=%1，BC=%"
                          u"2，点E在AD上，将△ABE沿BE折叠，点A恰好落在对角线BD上的点F处．\n"
                          u"（1）求BD的长；\n（2）求AE的长．"_s,
                          {t.a, t.b});
        },
    };
    return stems;
}

const std::vector<Stem>& applicationStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom& r) {
            const int cost = r.between(3, 6) * 10;
            return expand(
                u"某商店以每件%1元的价格购进一批衬衫，售价为每件%2元时，每天可卖出%3件．经调查发现，"
                u"售价每降低1元，每天可多卖出%"
                u"4件．\n（1）若每件降价x元，每天的利润为y元，求y与x之间的函数关系式；\n"
                u"（2）每件降价多少元时，每天的利润最大？最大利润是多少？"_s,
                {cost, cost + r.between(2, 4) * 10, r.between(2, 6) * 10, r.between(2, 5)});
        },
        [](SeededRandom& r) {
            const int a = r.between(3, 6), b = r.between(4, 8), h = r.between(2, 5);
            return expand(
                u"甲、乙两人从相距%1千米的两地同时出发，相向而行，甲每小时走%2千米，乙每小时走%3千米．"
                u"经过几小时两人相遇？"_s,
                {(a + b) * h, a, b});
        },
        [](SeededRandom& r) {
            return expand(
                u"某工程队计划修建一条长%1米的道路，实际每天比原计划多修%2米，结果提前%3天完成任务．"
                u"求原计划每天修多少米．"_s,
                {r.between(12, 36) * 100, r.between(2, 8) * 10, r.between(2, 6)});
        },
        [](SeededRandom& r) {
            const int pa = r.between(10, 30), pb = r.between(5, 20);
            const int a1 = r.between(1, 4), b1 = r.between(1, 4), a2 = r.between(2, 5), b2 = r.between(1, 3);
            return expand(
                u"学校准备购买A、B两种奖品，购买%1件A奖品和%2件B奖品共需%3元，购买%4件A奖品和%5件B奖品共需%"
                u"6元．\n"
                u"（1）求A、B两种奖品的单价；\n（2）学校计划购买两种奖品共%7件，且总费用不超过%8元，最多能购买A奖品多少件？"_s,
                {a1, b1, a1 * pa + b1 * pb, a2, b2, a2 * pa + b2 * pb, 30, 30 * (pa + pb) / 2});
        },
        [](SeededRandom& r) {
            return expand(
                u"某种商品原价每件%1元，经过两次降价后每件%2元．若两次降价的百分率相同，求每次降价的百分率．"_s,
                {r.between(10, 20) * 10, r.between(6, 9) * 10});
        },
    };
    return stems;
}

const std::vector<Stem>& proofStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom&) { return u"如图，在△ABC中，AB=AC，点D是BC的中点，连接AD．求证：AD⊥BC．"_s; },
        [](SeededRandom&) {
            return u"如图，点B、E、C、F在同一条直线上，AB=DE，AC=DF，BE=CF．求证：△ABC≌△DEF．"_s;
        },
        [](SeededRandom&) {
            return u"如图，在□ABCD中，E、F分别是AB、CD的中点．求证：四边形AECF是*{平行四边形}．"_s;
        },
        [](SeededRandom&) {
            return u"如图，AB是⊙O的直径，C是⊙O上一点，OD⊥BC于点D．求证：OD∥AC，且OD=1/2AC．"_s;
        },
        [](SeededRandom&) { return u"求证：三角形的内角和等于180°．"_s; },
        [](SeededRandom&) {
            return u"如图，在△ABC中，DE∥BC，分别交AB、AC于点D、E．求证：△ADE∽△ABC，且AD/AB=AE/AC．"_s;
        },
    };
    return stems;
}

const std::vector<Stem>& drawingStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom&) {
            return u"如图，已知∠AOB，用直尺和圆规作∠AOB的平分线OC．!{（保留作图痕迹，不写作法）}"_s;
        },
        [](SeededRandom&) {
            return u"如图，在边长为1的小正方形网格中，△ABC的顶点均在格点上．\n（1）画出△ABC关于y轴对称的△A_{"
                   u"1}B_{1}C_{1}；\n"
                   u"（2）画出△ABC绕点O顺时针旋转90°后的△A_{2}B_{2}C_{2}．"_s;
        },
        [](SeededRandom&) { return u"已知线段a和b，求作Rt△ABC，使BC=a，AC=b，∠C=90°．"_s; },
        [](SeededRandom& r) {
            return expand(u"画出函数y=%1x-%2的图象，并根据图象回答：当x取何值时，y>0？"_s,
                          {r.between(1, 3), r.between(1, 6)});
        },
    };
    return stems;
}

const std::vector<Stem>& explorationStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom& r) {
            return expand(
                u"观察下列等式：1×3+1=2^{2}，2×4+1=3^{2}，3×5+1=4^{2}，……\n（1）请写出第%1个等式；\n"
                u"（2）用含n的式子表示第n个等式，并加以证明．"_s,
                {r.between(5, 12)});
        },
        [](SeededRandom&) {
            return u"如图，在正方形ABCD中，点E是BC上一动点，AE⊥EF，EF交∠DCG的平分线于点F．\n（1）求证：AE="
                   u"EF；\n"
                   u"（2）当点E在BC的延长线上时，（1）中的结论是否仍然成立？请说明理由．"_s;
        },
        [](SeededRandom& r) {
            return expand(u"用火柴棒按如图的方式搭图形，第1个图形用%1根，第2个图形用%"
                          u"2根，……\n（1）第n个图形需要多少根火柴棒？\n"
                          u"（2）用%3根火柴棒能否搭成其中的某个图形？"_s,
                          {6, 11, r.between(40, 90)});
        },
    };
    return stems;
}

const std::vector<Stem>& readingStems()
{
    static const std::vector<Stem> stems = {
        [](SeededRandom&) {
            return u"阅读下列材料：\n我们知道，|x|的几何意义是数轴上表示数x的点与原点的距离．类似地，|x-a|"
                   u"表示数轴上表示数x的点"
                   u"与表示数a的点之间的距离．\n请根据材料解决下列问题：\n（1）|x-3|=2的解是______；\n（2）求|x-1|+|x+2|的最小值．"_s;
        },
        [](SeededRandom&) {
            return u"阅读材料：我国古代数学著作《九章算术》中记载：“今有勾八步，股十五步，问勾中容圆径几何？”"
                   u"其意思是："
                   u"直角三角形两条直角边的长分别为8步和15步，问它的内切圆的直径是多少步．\n请你解答这个问题，并写出推理过程．"_s;
        },
        [](SeededRandom&) {
            return u"阅读理解：对于任意实数a、b，定义一种新运算a※b=a^{2}-ab+b．例如：2※3=2^{2}-2×3+3=1．\n"
                   u"（1）求(-2)※3的值；\n（2）若x※2=5，求x的值．"_s;
        },
    };
    return stems;
}

// Further parts that make a question longer, as teachers add sub-questions.
const std::vector<Stem>& extraParts()
{
    static const std::vector<Stem> parts = {
        [](SeededRandom& r) {
            return expand(u"若点P是抛物线上一点，且△PAB的面积为%1，求点P的坐标；"_s, {r.between(2, 12)});
        },
        [](SeededRandom&) { return u"判断△ABC的形状，并说明理由；"_s; },
        [](SeededRandom&) { return u"求tan∠ABC的值；"_s; },
        [](SeededRandom& r) { return expand(u"若m=%1，求代数式m^{2}-2m+1的值；"_s, {r.between(2, 9)}); },
        [](SeededRandom&) { return u"当x取何值时，y_{1}>y_{2}？请直接写出x的取值范围；"_s; },
        [](SeededRandom&) { return u"求这组数据的平均数x和方差s^{2}；"_s; },
        [](SeededRandom&) {
            return u"是否存在点Q，使以A、B、P、Q为顶点的四边形是平行四边形？若存在，求出点Q的坐标；若不存在，请说明理由；"_s;
        },
        [](SeededRandom&) { return u"!{提示：}可设AD=x，利用勾股定理列出方程；"_s; },
        [](SeededRandom&) { return u"*{注意}：结果保留根号；"_s; },
        [](SeededRandom& r) { return expand(u"若∠A=%1°，求∠BOC的度数；"_s, {r.between(20, 80)}); },
        [](SeededRandom& r) {
            return expand(u"当t为何值时，PQ∥BC？此时线段PQ的长为多少？（点P的速度为每秒%1个单位）"_s,
                          {r.between(1, 3)});
        },
        [](SeededRandom&) { return u"求证：a^{2}+b^{2}≥2ab，并指出等号成立的条件；"_s; },
        [](SeededRandom& r) {
            return expand(u"已知a_{1}=%1，a_{n+1}=a_{n}+2，求a_{10}的值；"_s, {r.between(1, 9)});
        },
        [](SeededRandom&) { return u"在（1）的条件下，求#{四边形ABCD}的周长与面积；"_s; },
    };
    return parts;
}

// Steps of worked solutions.
const std::vector<Stem>& answerSteps()
{
    static const std::vector<Stem> steps = {
        [](SeededRandom&) { return u"∵AB=AC，D是BC的中点，\n∴AD⊥BC（等腰三角形三线合一）．"_s; },
        [](SeededRandom& r) {
            const int a = r.between(2, 6), x = r.between(1, 9), b = r.between(1, 9);
            return expand(u"由题意，得%1x+%2=%3，\n解得x=%4．"_s, {a, b, a * x + b, x});
        },
        [](SeededRandom&) { return u"∵∠C=90°，\n∴AB^{2}=AC^{2}+BC^{2}，"_s; },
        [](SeededRandom& r) {
            return expand(u"∴y=-(x-%1)^{2}+%2，\n∴当x=%1时，y有最大值%2．"_s,
                          {r.between(1, 9), r.between(10, 99) * 10});
        },
        [](SeededRandom& r) {
            return expand(u"经检验，x=%1是原方程的解，且符合题意．"_s, {r.between(2, 60)});
        },
        [](SeededRandom& r) {
            const int a = r.between(1, 4);
            return expand(u"把A(%1，0)代入y=x^{2}+bx+c，得%2+%1b+c=0，"_s, {a, a * a});
        },
        [](SeededRandom&) { return u"在△ABC和△DEF中，\nAB=DE，AC=DF，BC=EF，\n∴△ABC≌△DEF（SSS）．"_s; },
        [](SeededRandom& r) {
            const Triple t = r.pick(kTriples);
            return expand(u"在Rt△ABC中，sinA=BC/AB=%1/%2．"_s, {t.a, t.c});
        },
        [](SeededRandom& r) {
            const int b = r.between(3, 9), c = r.between(1, 4);
            return expand(u"Δ=b^{2}-4ac=(-%1)^{2}-4×1×%2=%3>0，\n∴方程有两个不相等的实数根．"_s,
                          {b, c, b * b - 4 * c});
        },
        [](SeededRandom& r) {
            return expand(u"故该校“从不阅读”的学生约有%1人．"_s, {r.between(5, 60) * 10});
        },
        [](SeededRandom&) { return u"∵四边形ABCD是平行四边形，\n∴AB∥CD，AB=CD．"_s; },
        [](SeededRandom& r) { return expand(u"答：原计划每天修%1米．"_s, {r.between(6, 30) * 10}); },
        [](SeededRandom&) {
            return u"*{点评}：本题考查了!{二次函数的性质}，解题的关键是求出函数的解析式．"_s;
        },
        [](SeededRandom& r) {
            const int x = r.between(2, 9);
            return expand(u"当x=%1时，原式=%1^{2}-%2=%3．"_s, {x, x + 1, x * x - x - 1});
        },
        [](SeededRandom&) { return u"∴∠BAC=90°-∠ABC，\n∵OA=OC，∴∠OAC=∠OCA．"_s; },
        [](SeededRandom& r) {
            const int a = r.between(2, 9);
            return expand(u"原式=√%1×√%2=√%3=%4．"_s, {a, a * 4, a * a * 4, a * 2});
        },
        [](SeededRandom&) { return u"由图象可知，当x>2时，y>0．"_s; },
        [](SeededRandom&) { return u"∵π≈3.14，∴S=πr^{2}≈3.14×4=12.56（cm^{2}）．"_s; },
    };
    return steps;
}

const std::vector<Stem>& stemsFor(const QString& type)
{
    static const std::vector<std::pair<QString, const std::vector<Stem>*>> byType = {
        {u"选择题"_s, &choiceStems()},      {u"填空题"_s, &blankStems()},
        {u"判断题"_s, &judgementStems()},   {u"计算题"_s, &calculationStems()},
        {u"解答题"_s, &solutionStems()},    {u"应用题"_s, &applicationStems()},
        {u"证明题"_s, &proofStems()},       {u"作图题"_s, &drawingStems()},
        {u"探究题"_s, &explorationStems()}, {u"阅读理解题"_s, &readingStems()},
    };
    for (const auto& [name, stems] : byType) {
        if (name == type)
            return *stems;
    }
    return solutionStems();
}

} // namespace

GeneratedBody composeContent(const QString& type, SeededRandom& rng, int targetChars, const Figure* figure)
{
    SyntheticBodyBuilder b;
    b.add(rng.pick(stemsFor(type))(rng));
    if (figure)
        b.addPicture(*figure);
    // A question that the stem alone does not fill gets numbered further parts.
    int part = 1;
    while (b.length() < targetChars) {
        b.newParagraph();
        b.add(u"（%1）"_s.arg(part++) + rng.pick(extraParts())(rng));
    }
    return b.finish();
}

GeneratedBody composeAnswer(const QString& type, SeededRandom& rng, int targetChars, const Figure* figure)
{
    SyntheticBodyBuilder b;
    static const QStringList letters = {u"A"_s, u"B"_s, u"C"_s, u"D"_s};
    if (type == u"选择题")
        b.add(u"*{答案}："_s + letters[rng.below(4)] + u"\n*{解析}："_s);
    else if (type == u"判断题")
        b.add(u"*{答案}："_s + (rng.chance(0.5) ? u"√"_s : u"×"_s) + u"\n*{理由}："_s);
    else if (type == u"填空题")
        b.add(u"*{答案}："_s + QString::number(rng.between(-20, 99)) + u"\n*{解析}："_s);
    else if (type == u"证明题")
        b.add(u"*{证明}："_s);
    else if (type == u"作图题")
        b.add(u"*{作法}：如图所示．"_s);
    else
        b.add(u"*{解}："_s);
    b.add(rng.pick(answerSteps())(rng));
    if (figure)
        b.addPicture(*figure);
    int part = 2;
    while (b.length() < targetChars) {
        b.newParagraph();
        if (rng.chance(0.3))
            b.add(u"（%1）"_s.arg(part++));
        b.add(rng.pick(answerSteps())(rng));
    }
    return b.finish();
}

} // namespace bankgen
