#include "BankGenerator.h"

#include "SeededRandom.h"
#include "SyntheticBodies.h"

#include "store/BankSchema.h"
#include "store/BankStore.h"

#include <QDate>
#include <QFile>
#include <QThread>

#include <sodium.h>

#include <algorithm>
#include <array>
#include <future>
#include <vector>

using namespace Qt::StringLiterals;

namespace bankgen {

namespace {

// A junior-middle-school classification: level 1, then chapters (level 2)
// with their sections (level 3).
struct Chapter
{
    const char16_t* level1;
    const char16_t* level2;
    std::vector<const char16_t*> sections;
};

const std::vector<Chapter>& chapters()
{
    static const std::vector<Chapter> list = {
        {u"数与代数",
         u"有理数",
         {u"正数和负数", u"数轴", u"相反数", u"绝对值", u"有理数的加减法", u"有理数的乘除法", u"有理数的乘方",
          u"科学记数法", u"近似数"}},
        {u"数与代数",
         u"整式的加减",
         {u"用字母表示数", u"单项式", u"多项式", u"合并同类项", u"去括号", u"整式的加减运算"}},
        {u"数与代数",
         u"一元一次方程",
         {u"方程及其解", u"等式的性质", u"移项与合并同类项", u"去括号与去分母", u"一元一次方程的应用"}},
        {u"数与代数", u"实数", {u"平方根", u"算术平方根", u"立方根", u"无理数", u"实数的运算"}},
        {u"数与代数",
         u"二元一次方程组",
         {u"二元一次方程组的概念", u"代入消元法", u"加减消元法", u"二元一次方程组的应用", u"三元一次方程组"}},
        {u"数与代数",
         u"不等式与不等式组",
         {u"不等式的性质", u"一元一次不等式", u"一元一次不等式组", u"不等式的应用"}},
        {u"数与代数",
         u"整式的乘法与因式分解",
         {u"幂的运算", u"整式的乘法", u"乘法公式", u"提公因式法", u"公式法"}},
        {u"数与代数", u"分式", {u"分式的概念", u"分式的基本性质", u"分式的运算", u"分式方程", u"整数指数幂"}},
        {u"数与代数",
         u"二次根式",
         {u"二次根式的概念", u"二次根式的乘除", u"二次根式的加减", u"最简二次根式"}},
        {u"数与代数",
         u"一元二次方程",
         {u"直接开平方法", u"配方法", u"公式法", u"因式分解法", u"根的判别式", u"根与系数的关系",
          u"一元二次方程的应用"}},
        {u"数与代数",
         u"一次函数",
         {u"变量与函数", u"函数的图象", u"正比例函数", u"一次函数的图象与性质", u"一次函数与方程、不等式",
          u"一次函数的应用"}},
        {u"数与代数", u"反比例函数", {u"反比例函数的概念", u"反比例函数的图象与性质", u"反比例函数的应用"}},
        {u"数与代数",
         u"二次函数",
         {u"二次函数的概念", u"y=ax²的图象与性质", u"y=a(x-h)²+k的图象与性质", u"二次函数与一元二次方程",
          u"二次函数的最值", u"二次函数的应用"}},
        {u"图形与几何",
         u"几何图形初步",
         {u"立体图形与平面图形", u"直线、射线、线段", u"角的度量", u"角的比较与运算", u"余角和补角"}},
        {u"图形与几何",
         u"相交线与平行线",
         {u"对顶角与邻补角", u"垂线", u"同位角、内错角、同旁内角", u"平行线的判定", u"平行线的性质",
          u"平移"}},
        {u"图形与几何",
         u"三角形",
         {u"三角形的边", u"三角形的高、中线与角平分线", u"三角形的内角和", u"三角形的外角",
          u"多边形的内角和"}},
        {u"图形与几何",
         u"全等三角形",
         {u"全等三角形的性质", u"SSS", u"SAS", u"ASA与AAS", u"HL", u"角平分线的性质"}},
        {u"图形与几何",
         u"轴对称",
         {u"轴对称图形", u"线段垂直平分线", u"画轴对称图形", u"等腰三角形", u"等边三角形", u"最短路径问题"}},
        {u"图形与几何", u"勾股定理", {u"勾股定理", u"勾股定理的逆定理", u"勾股定理的应用"}},
        {u"图形与几何",
         u"平行四边形",
         {u"平行四边形的性质", u"平行四边形的判定", u"三角形的中位线", u"矩形", u"菱形", u"正方形"}},
        {u"图形与几何", u"旋转", {u"图形的旋转", u"中心对称", u"中心对称图形", u"关于原点对称的点的坐标"}},
        {u"图形与几何",
         u"圆",
         {u"圆的有关概念", u"垂径定理", u"圆心角与圆周角", u"点和圆的位置关系", u"直线和圆的位置关系",
          u"切线的判定与性质", u"正多边形和圆", u"弧长和扇形面积"}},
        {u"图形与几何", u"相似", {u"相似图形", u"相似三角形的判定", u"相似三角形的性质", u"位似"}},
        {u"图形与几何",
         u"锐角三角函数",
         {u"正弦", u"余弦与正切", u"特殊角的三角函数值", u"解直角三角形", u"仰角与俯角"}},
        {u"图形与几何", u"投影与视图", {u"平行投影与中心投影", u"三视图", u"由三视图还原几何体"}},
        {u"图形与几何",
         u"平面直角坐标系",
         {u"有序数对", u"点的坐标", u"用坐标表示地理位置", u"用坐标表示平移"}},
        {u"统计与概率",
         u"数据的收集、整理与描述",
         {u"统计调查", u"直方图", u"扇形统计图", u"条形统计图与折线统计图"}},
        {u"统计与概率", u"数据的分析", {u"平均数与加权平均数", u"中位数和众数", u"方差", u"用样本估计总体"}},
        {u"统计与概率", u"概率初步", {u"随机事件", u"概率的意义", u"列表法与树状图法", u"用频率估计概率"}},
        {u"综合与实践", u"数学活动", {u"数学建模", u"图案设计", u"测量旗杆的高度", u"制作无盖长方体盒子"}},
        {u"综合与实践", u"课题学习", {u"选择方案", u"最短路径", u"镶嵌", u"从数据谈节水"}},
    };
    return list;
}

struct Section
{
    int chapter;
    int section;
};

const std::vector<Section>& sections()
{
    static const std::vector<Section> all = [] {
        std::vector<Section> v;
        for (int c = 0; c < int(chapters().size()); ++c) {
            for (int s = 0; s < int(chapters()[std::size_t(c)].sections.size()); ++s)
                v.push_back({c, s});
        }
        return v;
    }();
    return all;
}

QString chineseNumber(int n)
{
    static const QString digits = u"零一二三四五六七八九"_s;
    if (n < 10)
        return digits.mid(n, 1);
    if (n < 20)
        return u"十"_s + (n % 10 ? digits.mid(n % 10, 1) : QString());
    return digits.mid(n / 10, 1) + u"十"_s + (n % 10 ? digits.mid(n % 10, 1) : QString());
}

// Teachers' names: a few dozen, as in a school's maths group.
const std::vector<QString>& authors()
{
    static const std::vector<QString> names = [] {
        const QStringList family = {u"王"_s, u"李"_s, u"张"_s, u"刘"_s, u"陈"_s,
                                    u"杨"_s, u"赵"_s, u"黄"_s, u"周"_s};
        const QStringList given = {u"建国"_s, u"秀英"_s, u"志强"_s, u"丽华"_s};
        std::vector<QString> v;
        for (const QString& g : given) {
            for (const QString& f : family)
                v.push_back(f + g);
        }
        return v;
    }();
    return names;
}

// How often each type occurs: choice and fill-in questions are the bulk of a bank.
struct TypeWeight
{
    int type;
    int weight;
};
constexpr std::array<TypeWeight, 10> kTypeWeights = {{
    {0, 28},
    {1, 22},
    {2, 6},
    {3, 12},
    {4, 14},
    {5, 7},
    {6, 5},
    {7, 2},
    {8, 2},
    {9, 2},
}};

QString pickType(SeededRandom& rng)
{
    int total = 0;
    for (const TypeWeight& t : kTypeWeights)
        total += t.weight;
    int x = rng.below(total);
    for (const TypeWeight& t : kTypeWeights) {
        if (x < t.weight)
            return questionTypes().at(t.type);
        x -= t.weight;
    }
    return questionTypes().first();
}

// Body sizes in characters of text: most bodies are short, some have several
// parts, a few are long reading or exploration tasks. Each class is a share of
// the bodies and a range, log-uniform within it.
struct LengthClasses
{
    double shortShare, mediumShare;
    int shortFrom, mediumFrom, longFrom, longTo;
};
constexpr LengthClasses kContentLengths{0.82, 0.16, 40, 380, 1200, 11000};
constexpr LengthClasses kAnswerLengths{0.85, 0.135, 40, 300, 1200, 8000};

int bodyLength(SeededRandom& rng, const LengthClasses& c)
{
    const double x = rng.unit();
    if (x < c.shortShare)
        return rng.logUniform(c.shortFrom, c.mediumFrom);
    if (x < c.shortShare + c.mediumShare)
        return rng.logUniform(c.mediumFrom, c.longFrom);
    return rng.logUniform(c.longFrom, c.longTo);
}

} // namespace

KnowledgePath knowledgePath(int index)
{
    const std::vector<Section>& all = sections();
    const Section s = all[std::size_t(index) % all.size()];
    const int round = index / int(all.size());
    const Chapter& c = chapters()[std::size_t(s.chapter)];
    KnowledgePath p;
    p.level1 = QString::fromUtf16(c.level1);
    p.level2 = u"第%1章 "_s.arg(chineseNumber(s.chapter + 1)) + QString::fromUtf16(c.level2);
    p.level3 = u"%1.%2 "_s.arg(s.chapter + 1).arg(s.section + 1) +
               QString::fromUtf16(c.sections[std::size_t(s.section)]);
    if (round > 0)
        p.level3 += u"（第%1课时）"_s.arg(round + 1);
    return p;
}

const QStringList& questionTypes()
{
    static const QStringList types = {u"选择题"_s, u"填空题"_s, u"判断题"_s, u"计算题"_s, u"解答题"_s,
                                      u"应用题"_s, u"证明题"_s, u"作图题"_s, u"探究题"_s, u"阅读理解题"_s};
    return types;
}

GeneratedQuestion generateQuestion(std::uint64_t seed, int index, int pathCount)
{
    SeededRandom rng(SeededRandom::mix(seed, std::uint64_t(index)));
    GeneratedQuestion g;
    QuestionRecord& q = g.record;
    q.number = QString::number(index + 1);
    q.type = pickType(rng);
    q.path = knowledgePath(rng.below(pathCount > 0 ? pathCount : 1));
    q.difficulty = QString(QChar(u'A' + rng.below(6)));
    q.entranceExam = rng.chance(0.18) ? u"是"_s : u"否"_s;
    q.enteredBy = rng.pick(authors());
    // School years 2019 to 2026, typed as dates.
    q.enteredAt = QDate(2019, 9, 1).addDays(rng.below(7 * 365)).toString(u"yyyy-MM-dd"_s);
    // Figures go with the geometry and graph questions more often than not;
    // about one body in ten has one.
    const bool figure = q.path.level1 == u"图形与几何" || q.type == u"作图题";
    const bool contentPicture = rng.chance(figure ? 0.22 : 0.06);
    const bool answerPicture = rng.chance(q.type == u"作图题" ? 0.5 : 0.04);
    const Figure* contentFigure = contentPicture ? &pooledFigure(seed, rng.below(kFigureCount)) : nullptr;
    const Figure* answerFigure = answerPicture ? &pooledFigure(seed, rng.below(kFigureCount)) : nullptr;
    const int contentChars = bodyLength(rng, kContentLengths);
    const int answerChars = bodyLength(rng, kAnswerLengths);
    g.content = composeContent(q.type, rng, contentChars, contentFigure);
    g.answer = composeAnswer(q.type, rng, answerChars, answerFigure);
    q.content = g.content.rtf;
    q.answer = g.answer.rtf;
    return g;
}

QString seededPasswordHash(const QString& password, std::uint64_t seed)
{
    if (sodium_init() < 0)
        throw StoreError(1, u"密码库初始化失败。"_s);
    unsigned char salt[crypto_pwhash_SALTBYTES];
    SeededRandom rng(SeededRandom::mix(seed, 0x5A17ULL));
    for (unsigned char& b : salt)
        b = static_cast<unsigned char>(rng.next());
    const QByteArray bytes = password.toUtf8();
    unsigned char hash[32];
    const unsigned long long ops = crypto_pwhash_OPSLIMIT_INTERACTIVE;
    const size_t mem = crypto_pwhash_MEMLIMIT_INTERACTIVE;
    if (crypto_pwhash(hash, sizeof hash, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                      salt, ops, mem, crypto_pwhash_ALG_ARGON2ID13) != 0) {
        throw StoreError(1, u"计算密码摘要时内存不足。"_s);
    }
    // libsodium's string form: $argon2id$v=19$m=<KiB>,t=<passes>,p=1$<salt>$<hash>,
    // both in unpadded standard Base64.
    const auto b64 = [](const unsigned char* data, size_t n) {
        return QByteArray(reinterpret_cast<const char*>(data), qsizetype(n))
            .toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals);
    };
    const QByteArray encoded = "$argon2id$v=19$m=" + QByteArray::number(quint64(mem / 1024)) +
                               ",t=" + QByteArray::number(ops) + ",p=1$" + b64(salt, sizeof salt) + '$' +
                               b64(hash, sizeof hash);
    return QString::fromLatin1(encoded);
}

namespace {

// Questions are made on every core, a batch at a time, while the calling
// thread writes the previous batch: the bank's connection stays on one thread.
class QuestionBatches
{
public:
    QuestionBatches(const BankShape& shape)
        : shape_(shape), workers_(std::max(1, QThread::idealThreadCount()))
    {
    }

    std::future<std::vector<GeneratedQuestion>> start(int first)
    {
        return std::async(std::launch::async, [this, first] {
            const int count = std::min(kBatchSize, shape_.questions - first);
            std::vector<GeneratedQuestion> batch(std::size_t(std::max(0, count)));
            const auto work = [&](int worker) {
                for (int i = worker; i < count; i += workers_)
                    batch[std::size_t(i)] = generateQuestion(shape_.seed, first + i, shape_.paths);
            };
            std::vector<std::future<void>> others;
            for (int w = 1; w < workers_; ++w)
                others.push_back(std::async(std::launch::async, work, w));
            work(0);
            for (auto& f : others)
                f.get();
            return batch;
        });
    }

    static constexpr int kBatchSize = 256;

private:
    BankShape shape_;
    int workers_;
};

} // namespace

void generateBank(const QString& path, const BankShape& shape, const std::function<void(int)>& progress)
{
    // Drawn here, before the workers start: text is rendered on this thread only.
    (void)pooledFigure(shape.seed, 0);
    createBankFile(path);
    try {
        BankStore store = BankStore::openExternalBank(path);
        store.inTransaction([&] {
            for (const QString& type : questionTypes())
                store.appendQuestionType(type);
            for (int i = 0; i < shape.paths; ++i)
                store.appendKnowledgePath(knowledgePath(i));
            store.appendUser({QString::fromUtf16(kAdminName),
                              seededPasswordHash(QString::fromUtf16(kAdminPassword), shape.seed),
                              QString::fromUtf16(kAdminRole)});
            QuestionBatches batches(shape);
            std::future<std::vector<GeneratedQuestion>> pending;
            if (shape.questions > 0)
                pending = batches.start(0);
            for (int first = 0; first < shape.questions; first += QuestionBatches::kBatchSize) {
                const std::vector<GeneratedQuestion> batch = pending.get();
                if (first + QuestionBatches::kBatchSize < shape.questions)
                    pending = batches.start(first + QuestionBatches::kBatchSize);
                for (const GeneratedQuestion& q : batch)
                    store.appendQuestion(q.record);
                if (progress)
                    progress(first + int(batch.size()));
            }
        });
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

} // namespace bankgen
