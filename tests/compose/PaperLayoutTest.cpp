// The laid-out paper and answer key as a script makes them with
// `tiku-admin compose --pdf`, read back with poppler's pdfinfo and pdftotext;
// and the layout settings the composer windows keep, as a layout file.
#include "common/MemoryLimits.h"
#include "common/TestBank.h"
#include "compose/PaperSettings.h"

#include <algorithm>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const QByteArray kHeader =
    "题型\t知识点一\t知识点二\t知识点三\t难度\t是否中考题\t录入人\t录入时间\t题目编号\n";

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runTool(const QString& program, const QStringList& args, qint64 fileSizeLimit = 0)
{
    QProcess p;
#ifdef Q_OS_UNIX
    if (fileSizeLimit > 0) {
        p.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
#else
    Q_UNUSED(fileSizeLimit);
#endif
    // Qt wants a private runtime folder; without one it warns on standard error.
    static QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString rtf(const QString& text, const QByteArray& picture = {})
{
    QString body;
    for (const QChar c : text) {
        if (c == u'\n')
            body += u"\\par "_s;
        else
            body += c.unicode() < 128 ? QString(c) : u"\\u%1?"_s.arg(short(c.unicode()));
    }
    return u"{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0\\fs21 "_s +
           body + QString::fromLatin1(picture) + u"\\par}"_s;
}

QByteArray pngPicture()
{
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 10; x < 110; ++x)
        image.setPixel(x, 70 - (x - 10) * 60 / 100, qRgb(0, 0, 0)); // a slope, as in a function graph
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "{\\pict\\pngblip\\picw120\\pich80\\picwgoal1800\\pichgoal1200 " + png.toHex() + "}";
}

// The text without blanks, as a reader reads it: the characters exactly as
// extracted (an ideograph read back as the radical that looks like it, 一 as
// ⼀, is a wrong text).
QString withoutBlanks(QString text)
{
    // The ideographic blank too: pdftotext gives it as a plain one.
    return text.remove(QRegularExpression(u"[\\s\\x{3000}]"_s));
}

struct Format
{
    QString name;
    QSizeF pageMm;
    QList<double> columnsMm; // left edges
    double columnWidthMm;
    QByteArray rtfSheet; // what the RTF says of the sheet, in twips
};

double pt(double mm)
{
    return mm * 72.0 / 25.4;
}

// pdftotext of one area of one page (in millimetres), in reading order.
QString areaText(const QString& pdf, int page, double x, double y, double w, double h)
{
    const Run r =
        runTool(u"pdftotext"_s,
                {u"-layout"_s, u"-f"_s, QString::number(page), u"-l"_s, QString::number(page), u"-x"_s,
                 QString::number(qRound(pt(x))), u"-y"_s, QString::number(qRound(pt(y))), u"-W"_s,
                 QString::number(qRound(pt(w))), u"-H"_s, QString::number(qRound(pt(h))), pdf, u"-"_s});
    return r.out;
}

// The page sizes in points, one per page.
QList<QSizeF> pageSizes(const QString& pdf)
{
    const Run r = runTool(u"pdfinfo"_s, {u"-f"_s, u"1"_s, u"-l"_s, u"1000"_s, pdf});
    QList<QSizeF> sizes;
    static const QRegularExpression line(u"Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"_s);
    for (auto m = line.globalMatch(r.out); m.hasNext();) {
        const auto match = m.next();
        sizes << QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble());
    }
    return sizes;
}

// What a reader sees: each column of each page in reading order, blanks removed.
QStringList columnTexts(const QString& pdf, const Format& f, int pages)
{
    QStringList columns;
    for (int page = 1; page <= pages; ++page) {
        for (double x : f.columnsMm)
            columns << withoutBlanks(
                areaText(pdf, page, x - 2, 0, f.columnWidthMm + 4, f.pageMm.height() - 20));
    }
    return columns;
}

// The index of the column holding `text`, -1 when none does.
int columnOf(const QStringList& columns, const QString& text)
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].contains(text))
            return i;
    }
    return -1;
}

// True when every text of `texts` is found in `all`, in this order.
bool inOrder(const QString& all, const QStringList& texts, QString* missing)
{
    qsizetype from = 0;
    for (const QString& t : texts) {
        const qsizetype at = all.indexOf(t, from);
        if (at < 0) {
            *missing = t;
            return false;
        }
        from = at + t.size();
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Format)

namespace {

void addFormats()
{
    QTest::addColumn<Format>("format");
    QTest::newRow("A4") << Format{u"A4"_s,
                                  QSizeF(210, 297),
                                  {20},
                                  170,
                                  "\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1020\\margb1134\n"
                                  "\\viewkind4\n"};
    QTest::newRow("A3") << Format{u"A3"_s,
                                  QSizeF(420, 297),
                                  {30, 230},
                                  170,
                                  "\\paperw23811\\paperh16838\\margl1701\\margr1134\\margt1020\\margb1134"
                                  "\\landscape\n\\viewkind4\n\\sectd\\pgwsxn23811\\pghsxn16838\\lndscpsxn"
                                  "\\cols2\\colsx1701\n"};
    QTest::newRow("8K") << Format{u"8K"_s,
                                  QSizeF(370, 260),
                                  {30, 205},
                                  145,
                                  "\\paperw20976\\paperh14740\\margl1701\\margr1134\\margt1020\\margb1134"
                                  "\\landscape\n\\viewkind4\n\\sectd\\pgwsxn20976\\pghsxn14740\\lndscpsxn"
                                  "\\cols2\\colsx1701\n"};
}

} // namespace

class PaperLayoutTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void paperAndAnswerKeyOnEachFormat_data();
    void paperAndAnswerKeyOnEachFormat();
    void pdfTextIsThePapersText_data();
    void pdfTextIsThePapersText();
    void eachSetStartsOnItsOwnPages();
    void badLayoutFileWritesNothing();
    void fileThatCannotBeSavedLeavesTheOldOneWhole_data();
    void fileThatCannotBeSavedLeavesTheOldOneWhole();
    void settingsAreKeptAsTheLinesOfALayoutFile();
    void picturesOfAnySizeArePrintedWithinTheColumn();

private:
    std::unique_ptr<TestBank> bank;
    std::unique_ptr<QTemporaryDir> out;
    QByteArray criteria;    // one line per question, by number
    QStringList paperOrder; // the bank numbers as the paper prints them
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = out->filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    Run compose(const QStringList& more, qint64 fileSizeLimit = 0)
    {
        const QString criteriaFile = writeFile(u"criteria.txt"_s, criteria);
        return runTool(QString::fromUtf8(TIKU_ADMIN),
                       QStringList{u"compose"_s, bank->bankPath(), u"--criteria"_s, criteriaFile, u"--sets"_s,
                                   u"1"_s, u"--seed"_s, u"3"_s, u"--out"_s, out->filePath(u"p-"_s)} +
                           more,
                       fileSizeLimit);
    }
};

// Questions 101-108 are choices, 111-114 fill-ins (112 with a picture that
// cannot be read), 121-124 worked problems (122 with a graph) and 130 a
// worked problem longer than any column. The criteria ask for them mixed,
// worked problems first; the paper groups them choices, fill-ins, problems.
void PaperLayoutTest::init()
{
    bank.reset();
    bank = std::make_unique<TestBank>();
    out = std::make_unique<QTemporaryDir>();
    criteria = kHeader;
    auto add = [&](int n, const QString& type, const QString& content, const QString& answer) {
        bank->addQuestion({.number = QString::number(n),
                           .type = type,
                           .content = content.toUtf8(),
                           .answer = answer.toUtf8()});
        criteria += type.toUtf8() + "\t\t\t\t\t\t\t\t" + QByteArray::number(n) + "\n";
    };
    const QString letters = u"ABCDDCBA"_s;
    // The choice answers in the forms answer keys write them; the seventh
    // full-width (Ｂ).
    const QStringList forms{u"%1"_s,     u"答案：%1 解析：因为-2<0<1<3，故选%1．"_s,
                            u"%1．-2"_s, u"【答案】%1"_s,
                            u"（%1）"_s, u"选%1"_s,
                            u"%1"_s,     u"答案：%1\n解析：略"_s};
    auto choice = [&](int n) {
        QChar letter = letters[n - 101];
        if (n == 107)
            letter = QChar(char16_t(letter.unicode() + 0xFEE0));
        return forms[n - 101].arg(letter);
    };
    QString longProblem = u"题130起 求下列各式的值。"_s;
    for (int k = 1; k <= 150; ++k)
        longProblem += u"\n长题第%1行"_s.arg(k);
    add(130, u"解答题"_s, rtf(longProblem + u"\n题130止"_s), rtf(u"解130"_s));
    add(121, u"解答题"_s, rtf(u"题121起 解方程组。题121止"_s), rtf(u"解121：x=1"_s));
    for (int n = 101; n <= 104; ++n)
        add(n, u"选择题"_s, rtf(u"题%1起 下列各数中，最小的数是（  ）A．-2 B．0 C．1 D．3 题%1止"_s.arg(n)),
            rtf(choice(n)));
    add(111, u"填空题"_s, rtf(u"题111起 计算：3-5＝____。题111止"_s), rtf(u"答111"_s));
    add(112, u"填空题"_s, rtf(u"题112起 如图，____。"_s, "{\\pict\\pngblip\\picw50\\pich50 0badf00d}"),
        rtf(u"答112"_s));
    add(122, u"解答题"_s, rtf(u"题122起 如图，一次函数的图象经过两点，求它的解析式。"_s, pngPicture()),
        rtf(u"解122：y=x+1"_s));
    for (int n = 105; n <= 108; ++n)
        add(n, u"选择题"_s, rtf(u"题%1起 下列计算正确的是（  ）题%1止"_s.arg(n)), rtf(choice(n)));
    add(113, u"填空题"_s, rtf(u"题113起 分解因式：a²-4＝____。题113止"_s), rtf(u"答113"_s));
    add(114, u"填空题"_s, rtf(u"题114起 函数y＝1/(x-2)中自变量x的取值范围是____。题114止"_s),
        rtf(u"答114"_s));
    add(123, u"解答题"_s, rtf(u"题123起 先化简，再求值。题123止"_s), rtf(u"解123"_s));
    add(124, u"解答题"_s, rtf(u"题124起 证明：等腰三角形两底角相等。题124止"_s), rtf(u"解124"_s));
    paperOrder = {u"101"_s, u"102"_s, u"103"_s, u"104"_s, u"105"_s, u"106"_s, u"107"_s, u"108"_s, u"111"_s,
                  u"112"_s, u"113"_s, u"114"_s, u"130"_s, u"121"_s, u"122"_s, u"123"_s, u"124"_s};
}

void PaperLayoutTest::paperAndAnswerKeyOnEachFormat_data()
{
    addFormats();
}

void PaperLayoutTest::paperAndAnswerKeyOnEachFormat()
{
    QFETCH(Format, format);
    const QString layout =
        writeFile(u"layout.txt"_s, u"# 期末\nformat=%1\ntitle=第一中学2026学年第一学期期末考试\n"
                                   u"title=七年级数学试卷\nminutes=100\n"
                                   u"points.解答题=10\nanswer_space=30\n"_s.arg(format.name)
                                       .toUtf8());
    const Run run = compose({u"--pdf"_s, u"--layout"_s, layout});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    // The picture that cannot be read is named; the paper is printed all the same.
    QCOMPARE(run.err.trimmed(),
             u"tiku-admin compose: 第10题（题目编号112）中有无法显示的图片，已印出占位框。"_s);
    const QString paper = out->filePath(u"p-题目.pdf"_s);
    const QString answers = out->filePath(u"p-答案.pdf"_s);
    // For a look at the pages: TIKU_KEEP_PAPERS=folder keeps the PDFs of each
    // format. tests/data/paper holds first pages rendered from them with
    // pdftoppm -png -r 50, for review.
    if (const QString keep = qEnvironmentVariable("TIKU_KEEP_PAPERS"); !keep.isEmpty()) {
        QDir().mkpath(keep);
        QFile::remove(keep + u"/"_s + format.name + u"-题目.pdf"_s);
        QFile::remove(keep + u"/"_s + format.name + u"-答案.pdf"_s);
        QFile::copy(paper, keep + u"/"_s + format.name + u"-题目.pdf"_s);
        QFile::copy(answers, keep + u"/"_s + format.name + u"-答案.pdf"_s);
    }

    const QList<QSizeF> sizes = pageSizes(paper);
    QVERIFY(sizes.size() >= 2);
    for (const QSizeF& size : sizes) {
        QVERIFY2(qAbs(size.width() - pt(format.pageMm.width())) < 1 &&
                     qAbs(size.height() - pt(format.pageMm.height())) < 1,
                 qPrintable(u"%1 x %2"_s.arg(size.width()).arg(size.height())));
    }
    const int pages = int(sizes.size());
    for (int page = 1; page <= pages; ++page) {
        const QString footer =
            withoutBlanks(areaText(paper, page, 0, format.pageMm.height() - 20, format.pageMm.width(), 20));
        QCOMPARE(footer, u"第%1页（共%2页）"_s.arg(page).arg(pages));
    }

    // The head: title, marks and time, the score table, the notes; then the sections.
    const QStringList columns = columnTexts(paper, format, pages);
    const QString all = columns.join(QString());
    QString missing;
    QVERIFY2(inOrder(all,
                     {u"第一中学2026学年第一学期期末考试"_s, u"七年级数学试卷"_s,
                      u"（满分86分，考试时间100分钟）"_s, u"题号一二三总分"_s, u"得分"_s, u"注意事项："_s,
                      u"一、选择题（每小题3分，共24分）"_s, u"二、填空题（每小题3分，共12分）"_s,
                      u"三、解答题（每小题10分，共50分）"_s},
                     &missing),
             qPrintable(missing));

    // Where the student writes the name: on the sealing strip, or on A4 (which
    // has none) under the title; the notes say which.
    const bool a4 = format.columnsMm.size() == 1;
    const QString fields = u"学校＿＿＿＿＿＿＿班级＿＿＿＿＿＿姓名＿＿＿＿＿＿考号＿＿＿＿＿＿＿"_s;
    QCOMPARE(all.contains(fields), a4);
    if (a4)
        QVERIFY(inOrder(all, {u"（满分86分，考试时间100分钟）"_s, fields, u"题号"_s}, &missing));
    QVERIFY2(all.contains(a4 ? u"考号填写在试卷首页标题下的横线上。"_s : u"考号填写在密封线内。"_s),
             qPrintable(all));
    QCOMPARE(all.contains(u"密封线"_s), !a4);
    // The RTF paper and answers are on the same sheet.
    for (const QString& name : {u"p-题目.rtf"_s, u"p-答案.rtf"_s}) {
        const QByteArray rtf = readFile(out->filePath(name));
        QVERIFY2(rtf.contains(format.rtfSheet), rtf.left(400).constData());
    }

    // Every question under its number, numbered through the paper in section order.
    QStringList starts;
    for (int i = 0; i < paperOrder.size(); ++i)
        starts << u"%1．题%2起"_s.arg(i + 1).arg(paperOrder[i]);
    QVERIFY2(inOrder(all, starts, &missing), qPrintable(missing));
    // A question shorter than a column is never cut; the long one is, between
    // lines, and none of its lines is lost or printed twice.
    for (const QString& n : paperOrder) {
        if (n == u"130" || n == u"112" || n == u"122")
            continue;
        const int column = columnOf(columns, u"题%1起"_s.arg(n));
        QVERIFY2(column >= 0 && column == columnOf(columns, u"题%1止"_s.arg(n)), qPrintable(n));
    }
    QVERIFY(columnOf(columns, u"题130起"_s) < columnOf(columns, u"题130止"_s));
    QStringList lines;
    for (int k = 1; k <= 150; ++k)
        lines << u"长题第%1行"_s.arg(k);
    QVERIFY2(inOrder(all, lines, &missing), qPrintable(missing));
    QCOMPARE(all.count(u"长题第"_s), 150);

    // The sealing strip: along the left edge of the first page of a two-column sheet only.
    const QString strip =
        withoutBlanks(areaText(paper, 1, 0, 0, format.columnsMm.first() - 3, format.pageMm.height()));
    if (format.columnsMm.size() == 2) {
        for (const QString& text : {u"密封线内不要答题"_s, u"学校"_s, u"班级"_s, u"姓名"_s, u"考号"_s})
            QVERIFY2(strip.contains(text), qPrintable(strip));
    } else {
        QVERIFY(strip.isEmpty());
    }
    for (int page = 2; page <= pages; ++page)
        QVERIFY(!withoutBlanks(areaText(paper, page, 0, 0, format.pageMm.width(), format.pageMm.height()))
                     .contains(u"密封线"_s));

    // The answer key: the choices in a compact table (whatever form each
    // answer has), then each answer under its number.
    const QList<QSizeF> answerSizes = pageSizes(answers);
    QVERIFY(!answerSizes.isEmpty());
    QVERIFY(qAbs(answerSizes.first().width() - pt(format.pageMm.width())) < 1);
    const QString key = columnTexts(answers, format, int(answerSizes.size())).join(QString());
    QVERIFY2(inOrder(key,
                     {u"七年级数学试卷"_s, u"参考答案及评分标准"_s, u"一、选择题（每小题3分，共24分）"_s,
                      u"1．A2．B3．C4．D5．D6．C7．B8．A二、填空题"_s, u"9．答111"_s, u"10．答112"_s,
                      u"11．答113"_s, u"12．答114"_s, u"三、解答题"_s, u"13．解130"_s, u"14．解121：x=1"_s,
                      u"15．解122：y=x+1"_s, u"16．解123"_s, u"17．解124"_s},
                     &missing),
             qPrintable(missing + u"\n"_s + key));
    QVERIFY(!key.contains(u"密封线"_s));
}

void PaperLayoutTest::pdfTextIsThePapersText_data()
{
    addFormats();
}

// What a reader extracts is the paper's text, character for character: the
// ideographs that look like radicals (一, 页, 长, 用), digits in Latin runs
// ("x=1", "A．-2"), full-width and mathematical punctuation (／～⋯), text
// beside a formula.
void PaperLayoutTest::pdfTextIsThePapersText()
{
    QFETCH(Format, format);
    const QByteArray formula = "{\\dn9{\\pict\\pngblip\\picw120\\pich80\\picwgoal600\\pichgoal300 " +
                               pngPicture().mid(pngPicture().indexOf(' ') + 1).chopped(1) +
                               "}{\\*\\tikuformula \\\\frac\\{1\\}\\{2\\}x^2}}";
    struct Question
    {
        int number;
        QString type;
        QString content;
        QString answer;
    };
    const QList<Question> questions{
        {201, u"选择题"_s, u"下列各数中，最小的数是（  ）A．-2 B．0 C．1 D．3"_s,
         u"答案：A 解析：因为-2<0<1<3，所以最小的数是-2，故选A．"_s},
        {221, u"解答题"_s, u"已知函数y=(x-2)²+3，求：（1）顶点坐标；（2）当x＝5时y的值！是否存在／～⋯？"_s,
         u"解：（1）(2,3)；（2）y=12。"_s},
        {211, u"填空题"_s, u"长方形的长用a表示，宽为2，面积为____；页码：第12页。"_s, u"2a"_s},
        {202, u"选择题"_s, u"方程x²-4x+3=0的两根之和是（  ）A．4 B．-4 C．3 D．-3"_s, u"Ａ．4"_s},
        {212, u"填空题"_s, u"计算：{formula}＝____。一二三，马长风。"_s, u"x=1，y=2"_s},
    };
    criteria = kHeader;
    for (const Question& q : questions) {
        QString content = rtf(q.content);
        content.replace(u"{formula}"_s, QString::fromLatin1(formula));
        bank->addQuestion({.number = QString::number(q.number),
                           .type = q.type,
                           .content = content.toUtf8(),
                           .answer = rtf(q.answer).toUtf8()});
        criteria += "\t\t\t\t\t\t\t\t" + QByteArray::number(q.number) + "\n";
    }
    const QString layout =
        writeFile(u"layout.txt"_s, u"format=%1\ntitle=第一中学2026学年第一学期期末考试\n"
                                   u"title=七年级数学试卷\nminutes=100\npoints.解答题=10\n"_s.arg(format.name)
                                       .toUtf8());
    const Run run = compose({u"--pdf"_s, u"--layout"_s, layout});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));

    const bool a4 = format.columnsMm.size() == 1;
    const QStringList head{u"第一中学2026学年第一学期期末考试"_s, u"七年级数学试卷"_s};
    const QStringList paper =
        head +
        QStringList{u"（满分22分，考试时间100分钟）"_s,
                    a4 ? u"学校＿＿＿＿＿＿＿　班级＿＿＿＿＿＿　姓名＿＿＿＿＿＿　考号＿＿＿＿＿＿＿"_s
                       : QString(),
                    u"题号一二三总分得分"_s, u"注意事项："_s};
    QStringList notes = {u"1．答题前，考生务必将学校、班级、姓名、考号填写在%1。"_s.arg(
                             a4 ? u"试卷首页标题下的横线上"_s : u"密封线内"_s),
                         u"2．请用黑色字迹的钢笔或签字笔答题，解答题应写出文字说明、证明过程或演算步骤。"_s};
    auto body = [&](int n) {
        const auto q = std::find_if(questions.begin(), questions.end(),
                                    [&](const Question& q) { return q.number == n; });
        return QString(q->content).remove(u"{formula}"_s);
    };
    const QStringList paperText =
        paper + notes +
        QStringList{u"一、选择题（每小题3分，共6分）"_s,   u"1．"_s + body(201), u"2．"_s + body(202),
                    u"二、填空题（每小题3分，共6分）"_s,   u"3．"_s + body(211), u"4．"_s + body(212),
                    u"三、解答题（每小题10分，共10分）"_s, u"5．"_s + body(221)};
    const QStringList keyText = head + QStringList{u"参考答案及评分标准"_s,
                                                   u"一、选择题（每小题3分，共6分）"_s,
                                                   u"1．A2．A"_s,
                                                   u"二、填空题（每小题3分，共6分）"_s,
                                                   u"3．2a"_s,
                                                   u"4．x=1，y=2"_s,
                                                   u"三、解答题（每小题10分，共10分）"_s,
                                                   u"5．解：（1）(2,3)；（2）y=12。"_s};
    for (const auto& [file, expected] :
         {std::pair{u"p-题目.pdf"_s, paperText}, std::pair{u"p-答案.pdf"_s, keyText}}) {
        const QString pdf = out->filePath(file);
        const int pages = int(pageSizes(pdf).size());
        QCOMPARE(pages, 1);
        const QString text = columnTexts(pdf, format, pages).join(QString());
        const QString paperText = withoutBlanks(expected.join(QString()));
        QVERIFY2(text == paperText, qPrintable(u"\n%1\n%2"_s.arg(text, paperText)));
        QCOMPARE(withoutBlanks(areaText(pdf, 1, 0, format.pageMm.height() - 20, format.pageMm.width(), 20)),
                 u"第1页（共1页）"_s);
    }
}

void PaperLayoutTest::eachSetStartsOnItsOwnPages()
{
    const QString layout = writeFile(u"layout.txt"_s, "format=8K\nscore_table=no\nnote=\n");
    const QString criteriaFile = writeFile(u"criteria.txt"_s, criteria);
    const Run run =
        runTool(QString::fromUtf8(TIKU_ADMIN),
                {u"compose"_s, bank->bankPath(), u"--criteria"_s, criteriaFile, u"--sets"_s, u"2"_s,
                 u"--seed"_s, u"1"_s, u"--out"_s, out->filePath(u"p-"_s), u"--pdf"_s, u"--layout"_s, layout});
    QCOMPARE(run.exitCode, 0);
    const QString paper = out->filePath(u"p-题目.pdf"_s);
    const int pages = int(pageSizes(paper).size());
    QVERIFY(pages >= 4 && pages % 2 == 0);
    const int setPages = pages / 2;
    for (int page = 1; page <= pages; ++page) {
        const int inSet = (page - 1) % setPages + 1;
        const QString text = withoutBlanks(areaText(paper, page, 0, 0, 370, 260));
        QVERIFY(text.endsWith(u"第%1页（共%2页）"_s.arg(inSet).arg(setPages)));
        // Each set has its title and its sealing strip on its own first page.
        QCOMPARE(text.contains(u"数学试卷"_s), inSet == 1);
        QCOMPARE(withoutBlanks(areaText(paper, page, 0, 0, 27, 260)).contains(u"密封线内不要答题"_s),
                 inSet == 1);
        QCOMPARE(text.contains(u"1．题101起"_s), inSet == 1);
    }
    const QString first = withoutBlanks(areaText(paper, 1, 0, 0, 370, 260));
    QVERIFY(!first.contains(u"题号"_s));
    QVERIFY(!first.contains(u"注意事项"_s));
}

void PaperLayoutTest::badLayoutFileWritesNothing()
{
    const QString layout = writeFile(u"layout.txt"_s, "format=A3\npoints.选择题=three\n");
    const Run run = compose({u"--pdf"_s, u"--layout"_s, layout});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err.trimmed(), u"tiku-admin compose: %1: line 2: points.选择题 takes a whole number "
                                u"from 0 to 1000, not \"three\""_s.arg(layout));
    QVERIFY(!QFile::exists(out->filePath(u"p-题目.rtf"_s)));
    QVERIFY(!QFile::exists(out->filePath(u"p-题目.pdf"_s)));
}

void PaperLayoutTest::fileThatCannotBeSavedLeavesTheOldOneWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QStringList>("left");
    // The paper's RTF (about 15 kB) goes into the file's write buffer whole and
    // fails only when the buffer is flushed on saving.
    QTest::newRow("rtf") << u"p-题目.rtf"_s << qint64(8000) << QStringList{u"p-题目.rtf"_s};
    // The RTF files fit under the limit; a PDF with its embedded font does not.
    QTest::newRow("pdf") << u"p-题目.pdf"_s << qint64(30000)
                         << QStringList{u"p-答案.rtf"_s, u"p-题目.pdf"_s, u"p-题目.rtf"_s};
}

void PaperLayoutTest::fileThatCannotBeSavedLeavesTheOldOneWhole()
{
#ifndef Q_OS_UNIX
    QSKIP("the failing write is made with a file size limit");
#endif
    QFETCH(QString, name);
    QFETCH(qint64, limit);
    QFETCH(QStringList, left);
    const QString old = writeFile(name, "the paper printed last week");
    const Run run = compose({u"--pdf"_s}, limit);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(u"tiku-admin compose: 无法保存文件“%1”："_s.arg(old)), qPrintable(run.err));
    QCOMPARE(readFile(old), QByteArray("the paper printed last week"));
    // No half-written file is left beside it.
    QCOMPARE(QDir(out->path()).entryList({u"p-*"_s}, QDir::Files), left);
}

void PaperLayoutTest::settingsAreKeptAsTheLinesOfALayoutFile()
{
    PaperSettings s = PaperSettings::defaults();
    s.format = PaperFormat::K8;
    s.title = {u"第一中学"_s, u"七年级数学"_s};
    s.fullMarks = 120;
    s.minutes = 90;
    s.scoreTable = false;
    s.notes = {};
    s.sectionOrder = {u"解答题"_s, u"选择题"_s};
    s.points[u"解答题"_s] = 12;
    s.points[u"证明题"_s] = 0;
    s.answerSpaceMm = 55;
    s.answerSpaceTypes = {u"解答题"_s, u"证明题"_s};
    s.compactChoices = false;
    PaperSettings read = PaperSettings::defaults();
    QString error;
    QVERIFY2(readPaperSettings(writePaperSettings(s), &read, &error), qPrintable(error));
    QVERIFY(read == s);

    // Kept in an ini file; a value edited into nonsense gives the defaults.
    const QString ini = out->filePath(u"tiku.ini"_s);
    setPaperSettingsFile(ini);
    QVERIFY(rememberedPaperSettings() == PaperSettings::defaults());
    rememberPaperSettings(s);
    QVERIFY(rememberedPaperSettings() == s);
    QSettings(ini, QSettings::IniFormat).setValue(u"paper/layout"_s, u"format=A5\n"_s);
    QVERIFY(rememberedPaperSettings() == PaperSettings::defaults());
    setPaperSettingsFile(QString());
}

// A question whose picture claims to be 2.6 km square (60 bytes of RTF) and
// one with four photographs of 5,000 x 5,000 pixels: the paper is printed
// within its column, the photographs at the resolution they are printed at
// (300 dpi), and the command takes little memory, not the gigabytes the
// pictures would take at the sizes they claim.
void PaperLayoutTest::picturesOfAnySizeArePrintedWithinTheColumn()
{
#ifndef Q_OS_UNIX
    QSKIP("the memory a process takes is measured on POSIX systems");
#endif
    bank->addQuestion(
        {.number = u"140"_s, .type = u"填空题"_s, .content = memorylimits::enormousPictureBody()});
    QByteArray photos = "{\\rtf1\\ansi\\ansicpg936 \\u22270?\\u20108?";
    for (int i = 0; i < 4; ++i)
        photos += memorylimits::rtfPicture(memorylimits::largePng(5000, i), 3000); // 200 pixels square
    bank->addQuestion({.number = u"141"_s, .type = u"填空题"_s, .content = photos + "\\par}"});
    const QString criteriaFile =
        writeFile(u"criteria.txt"_s, kHeader + "填空题\t\t\t\t\t\t\t\t140\n填空题\t\t\t\t\t\t\t\t141\n");
    const QString layout = writeFile(u"layout.txt"_s, "format=A4\n");
    const memorylimits::ChildRun run = memorylimits::runWithMemoryLimit(
        QString::fromUtf8(TIKU_ADMIN),
        {u"compose"_s, bank->bankPath(), u"--criteria"_s, criteriaFile, u"--sets"_s, u"1"_s, u"--seed"_s,
         u"1"_s, u"--out"_s, out->filePath(u"p-"_s), u"--pdf"_s, u"--layout"_s, layout},
        qint64(3) << 30);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(QString::fromUtf8(run.err).trimmed(),
             u"tiku-admin compose: 第1题（题目编号140）中有无法显示的图片，已印出占位框。"_s);
    QVERIFY2(run.peakKb > 0 && run.peakKb < memorylimits::boundKb(250000),
             qPrintable(u"%1 kB"_s.arg(run.peakKb)));

    // The marked box fills the column at most; the photographs follow it.
    const QString paper = out->filePath(u"p-题目.pdf"_s);
    QCOMPARE(pageSizes(paper).size(), 2);
    const Run images = runTool(u"pdfimages"_s, {u"-list"_s, paper});
    QCOMPARE(images.exitCode, 0);
    QList<QSize> sizes; // of the pictures embedded, in pixels
    static const QRegularExpression row(u"^\\s*\\d+\\s+\\d+\\s+image\\s+(\\d+)\\s+(\\d+)"_s,
                                        QRegularExpression::MultilineOption);
    for (auto m = row.globalMatch(images.out); m.hasNext();) {
        const auto match = m.next();
        sizes << QSize(match.captured(1).toInt(), match.captured(2).toInt());
    }
    QVERIFY2(sizes.size() == 5, qPrintable(images.out));
    const int columnPixels = qRound(170 / 25.4 * 96); // 170 mm
    QCOMPARE(sizes.count(QSize(625, 625)), 4);        // 200 pixels at 300 dpi
    for (const QSize& size : sizes)
        QVERIFY2(size.width() <= columnPixels + 1 && size.height() <= columnPixels + 1,
                 qPrintable(images.out));
}

QTEST_GUILESS_MAIN(PaperLayoutTest)
#include "PaperLayoutTest.moc"
