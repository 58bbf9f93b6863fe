#include "formula/FormulaTemplates.h"

using namespace Qt::StringLiterals;

namespace {

// `pattern` marks the caret with '@' (never part of the LaTeX of school maths).
FormulaTemplate t(const QString& label, const QString& tip, const QString& pattern)
{
    QString latex = pattern;
    const qsizetype at = latex.indexOf(u'@');
    if (at >= 0)
        latex.remove(at, 1);
    return {label, tip, latex, int(at >= 0 ? at : latex.size())};
}

QList<FormulaTemplateGroup> makeGroups()
{
    return {
        {u"结构"_s,
         {
             t(u"a/b"_s, u"分数"_s, u"\\frac{@}{}"_s),
             t(u"a/b 小"_s, u"小分数"_s, u"\\tfrac{@}{}"_s),
             t(u"√"_s, u"平方根"_s, u"\\sqrt{@}"_s),
             t(u"ⁿ√"_s, u"n 次方根"_s, u"\\sqrt[@]{}"_s),
             t(u"x²"_s, u"平方"_s, u"^{2}@"_s),
             t(u"xⁿ"_s, u"乘方（上标）"_s, u"^{@}"_s),
             t(u"xₙ"_s, u"下标"_s, u"_{@}"_s),
             t(u"xₙᵐ"_s, u"上下标"_s, u"_{@}^{}"_s),
             t(u"( )"_s, u"圆括号（随内容变高）"_s, u"\\left( @ \\right)"_s),
             t(u"[ ]"_s, u"方括号（随内容变高）"_s, u"\\left[ @ \\right]"_s),
             t(u"{ }"_s, u"花括号（随内容变高）"_s, u"\\left\\{ @ \\right\\}"_s),
             t(u"|x|"_s, u"绝对值"_s, u"\\left| @ \\right|"_s),
             t(u"方程组"_s, u"方程组（两个方程）"_s, u"\\begin{cases} @ \\\\  \\end{cases}"_s),
             t(u"三元"_s, u"方程组（三个方程）"_s, u"\\begin{cases} @ \\\\  \\\\  \\end{cases}"_s),
             t(u"∑"_s, u"求和"_s, u"\\sum_{i=1}^{n} @"_s),
             t(u"矩阵"_s, u"二阶矩阵"_s, u"\\begin{pmatrix} @ &  \\\\  &  \\end{pmatrix}"_s),
             t(u"行列式"_s, u"二阶行列式"_s, u"\\begin{vmatrix} @ &  \\\\  &  \\end{vmatrix}"_s),
             t(u"x̄"_s, u"平均数"_s, u"\\overline{@}"_s),
             t(u"AB⌒"_s, u"弧"_s, u"\\overset{\\frown}{@}"_s),
             t(u"文字"_s, u"公式里的中文或正体文字"_s, u"\\text{@}"_s),
         }},
        {u"关系与运算"_s,
         {
             t(u"≤"_s, u"小于或等于"_s, u"\\leq "_s),  t(u"≥"_s, u"大于或等于"_s, u"\\geq "_s),
             t(u"≠"_s, u"不等于"_s, u"\\neq "_s),      t(u"≈"_s, u"约等于"_s, u"\\approx "_s),
             t(u"±"_s, u"正负"_s, u"\\pm "_s),         t(u"∓"_s, u"负正"_s, u"\\mp "_s),
             t(u"×"_s, u"乘"_s, u"\\times "_s),        t(u"÷"_s, u"除"_s, u"\\div "_s),
             t(u"·"_s, u"点乘"_s, u"\\cdot "_s),       t(u"≡"_s, u"恒等于"_s, u"\\equiv "_s),
             t(u"∝"_s, u"正比于"_s, u"\\propto "_s),   t(u"∞"_s, u"无穷大"_s, u"\\infty "_s),
             t(u"∴"_s, u"所以"_s, u"\\therefore "_s),  t(u"∵"_s, u"因为"_s, u"\\because "_s),
             t(u"∈"_s, u"属于"_s, u"\\in "_s),         t(u"∉"_s, u"不属于"_s, u"\\notin "_s),
             t(u"⊆"_s, u"包含于"_s, u"\\subseteq "_s), t(u"∅"_s, u"空集"_s, u"\\varnothing "_s),
             t(u"%"_s, u"百分号"_s, u"\\%"_s),
         }},
        {u"几何"_s,
         {
             t(u"∠"_s, u"角"_s, u"\\angle "_s),
             t(u"△"_s, u"三角形"_s, u"\\triangle "_s),
             t(u"∥"_s, u"平行"_s, u"\\parallel "_s),
             t(u"⊥"_s, u"垂直"_s, u"\\perp "_s),
             t(u"°"_s, u"度"_s, u"^{\\circ}"_s),
             t(u"π"_s, u"圆周率"_s, u"\\pi "_s),
             t(u"≌"_s, u"全等"_s, u"\\cong "_s),
             t(u"∽"_s, u"相似"_s, u"\\backsim "_s),
             t(u"⊙"_s, u"圆"_s, u"\\odot "_s),
             t(u"□"_s, u"平行四边形（方框）"_s, u"\\square "_s),
             t(u"′"_s, u"分（角度）"_s, u"'"_s),
         }},
        {u"希腊字母"_s,
         {
             t(u"α"_s, u"alpha"_s, u"\\alpha "_s),
             t(u"β"_s, u"beta"_s, u"\\beta "_s),
             t(u"γ"_s, u"gamma"_s, u"\\gamma "_s),
             t(u"δ"_s, u"delta"_s, u"\\delta "_s),
             t(u"ε"_s, u"epsilon"_s, u"\\varepsilon "_s),
             t(u"θ"_s, u"theta"_s, u"\\theta "_s),
             t(u"λ"_s, u"lambda"_s, u"\\lambda "_s),
             t(u"μ"_s, u"mu"_s, u"\\mu "_s),
             t(u"ρ"_s, u"rho"_s, u"\\rho "_s),
             t(u"σ"_s, u"sigma"_s, u"\\sigma "_s),
             t(u"φ"_s, u"phi"_s, u"\\varphi "_s),
             t(u"ω"_s, u"omega"_s, u"\\omega "_s),
             t(u"Δ"_s, u"Delta"_s, u"\\Delta "_s),
             t(u"Σ"_s, u"Sigma"_s, u"\\Sigma "_s),
             t(u"Ω"_s, u"Omega"_s, u"\\Omega "_s),
         }},
        {u"箭头与向量"_s,
         {
             t(u"→"_s, u"右箭头"_s, u"\\rightarrow "_s),
             t(u"←"_s, u"左箭头"_s, u"\\leftarrow "_s),
             t(u"↔"_s, u"双向箭头"_s, u"\\leftrightarrow "_s),
             t(u"⇒"_s, u"推出"_s, u"\\Rightarrow "_s),
             t(u"⇔"_s, u"等价于"_s, u"\\Leftrightarrow "_s),
             t(u"↑"_s, u"上箭头"_s, u"\\uparrow "_s),
             t(u"↓"_s, u"下箭头"_s, u"\\downarrow "_s),
             t(u"a⃗"_s, u"向量"_s, u"\\vec{@}"_s),
             t(u"AB⃗"_s, u"向量（长箭头）"_s, u"\\overrightarrow{@}"_s),
             t(u"→ 上写"_s, u"箭头上写条件"_s, u"\\xrightarrow{@}"_s),
         }},
    };
}

} // namespace

const QList<FormulaTemplateGroup>& formulaTemplateGroups()
{
    static const QList<FormulaTemplateGroup> groups = makeGroups();
    return groups;
}
