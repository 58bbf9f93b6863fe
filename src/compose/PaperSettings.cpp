#include "compose/PaperSettings.h"

#include "store/ProgramSettings.h"

#include <memory>

#include <QRegularExpression>
#include <QSettings>

using namespace Qt::StringLiterals;

PaperSettings PaperSettings::defaults()
{
    PaperSettings s;
    s.title = {u"________学校________学年第____学期期末考试"_s, u"数学试卷"_s};
    s.notes = defaultPaperNotes(s.format);
    s.sectionOrder = {u"选择题"_s, u"填空题"_s, u"解答题"_s};
    s.points = {{u"选择题"_s, 3}, {u"填空题"_s, 3}, {u"解答题"_s, 8}};
    s.answerSpaceTypes = {u"解答题"_s};
    return s;
}

QStringList defaultPaperNotes(PaperFormat format)
{
    // A4 has no sealing strip: the fields are under the title.
    const QString where = format == PaperFormat::A4 ? u"试卷首页标题下的横线上"_s : u"密封线内"_s;
    return {u"1．答题前，考生务必将学校、班级、姓名、考号填写在%1。"_s.arg(where),
            u"2．请用黑色字迹的钢笔或签字笔答题，解答题应写出文字说明、证明过程或演算步骤。"_s};
}

void matchNotesToFormat(PaperSettings* settings)
{
    for (const PaperFormat f : {PaperFormat::A4, PaperFormat::A3, PaperFormat::K8}) {
        if (f != settings->format && settings->notes == defaultPaperNotes(f)) {
            settings->notes = defaultPaperNotes(settings->format);
            return;
        }
    }
}

namespace {

bool readYesNo(const QString& value, bool* out)
{
    if (value == u"yes" || value == u"1" || value == u"true" || value == u"是") {
        *out = true;
        return true;
    }
    if (value == u"no" || value == u"0" || value == u"false" || value == u"否") {
        *out = false;
        return true;
    }
    return false;
}

QStringList readList(const QString& value)
{
    QStringList list;
    for (const QString& item : value.split(QRegularExpression(u"[,，、]"_s), Qt::SkipEmptyParts)) {
        if (!item.trimmed().isEmpty())
            list << item.trimmed();
    }
    return list;
}

} // namespace

bool readPaperSettings(const QByteArray& text, PaperSettings* settings, QString* error)
{
    PaperSettings s = *settings;
    bool titleGiven = false;
    bool notesGiven = false;
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        auto bad = [&](const QString& why) {
            if (error)
                *error = u"line %1: %2"_s.arg(i + 1).arg(why);
            return false;
        };
        if (eq <= 0)
            return bad(u"expected key=value, not \"%1\""_s.arg(line));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        bool ok = true;
        if (key == u"format") {
            const QString f = value.toUpper();
            if (f == u"A4")
                s.format = PaperFormat::A4;
            else if (f == u"A3")
                s.format = PaperFormat::A3;
            else if (f == u"8K" || f == u"K8")
                s.format = PaperFormat::K8;
            else
                return bad(u"format is A4, A3 or 8K, not \"%1\""_s.arg(value));
        } else if (key == u"title") {
            if (!titleGiven)
                s.title.clear();
            titleGiven = true;
            if (!value.isEmpty())
                s.title << value;
        } else if (key == u"note") {
            if (!notesGiven)
                s.notes.clear();
            notesGiven = true;
            if (!value.isEmpty())
                s.notes << value;
        } else if (key == u"full_marks" || key == u"minutes") {
            const int n = value.toInt(&ok);
            if (!ok || n < 0 || n > 10000)
                return bad(u"%1 takes a whole number from 0 to 10000, not \"%2\""_s.arg(key, value));
            (key == u"minutes" ? s.minutes : s.fullMarks) = n;
        } else if (key == u"score_table" || key == u"compact_choices") {
            if (!readYesNo(value, key == u"score_table" ? &s.scoreTable : &s.compactChoices))
                return bad(u"%1 takes yes or no, not \"%2\""_s.arg(key, value));
        } else if (key == u"sections") {
            s.sectionOrder = readList(value);
        } else if (key == u"answer_space_types") {
            s.answerSpaceTypes = readList(value);
        } else if (key == u"answer_space") {
            const double mm = value.toDouble(&ok);
            if (!ok || mm < 0 || mm > 250)
                return bad(u"answer_space takes millimetres from 0 to 250, not \"%1\""_s.arg(value));
            s.answerSpaceMm = mm;
        } else if (key.startsWith(u"points.") && key.size() > 7) {
            const int n = value.toInt(&ok);
            if (!ok || n < 0 || n > 1000)
                return bad(u"%1 takes a whole number from 0 to 1000, not \"%2\""_s.arg(key, value));
            s.points[key.mid(7)] = n;
        } else {
            return bad(u"unknown key \"%1\""_s.arg(key));
        }
    }
    matchNotesToFormat(&s);
    *settings = s;
    return true;
}

QByteArray writePaperSettings(const PaperSettings& s)
{
    // A line ends a value: each title line and note is one line of its own.
    auto oneLine = [](const QString& text) { return QString(text).replace(u'\n', u' ').trimmed(); };
    QStringList lines;
    lines << u"format=%1"_s.arg(s.format == PaperFormat::A4   ? u"A4"_s
                                : s.format == PaperFormat::A3 ? u"A3"_s
                                                              : u"8K"_s);
    for (const QString& line : s.title)
        lines << u"title="_s + oneLine(line);
    if (s.title.isEmpty())
        lines << u"title="_s;
    lines << u"full_marks=%1"_s.arg(s.fullMarks) << u"minutes=%1"_s.arg(s.minutes)
          << u"score_table=%1"_s.arg(s.scoreTable ? u"yes"_s : u"no"_s);
    for (const QString& note : s.notes)
        lines << u"note="_s + oneLine(note);
    if (s.notes.isEmpty())
        lines << u"note="_s;
    lines << u"sections="_s + s.sectionOrder.join(u',');
    for (auto it = s.points.cbegin(); it != s.points.cend(); ++it)
        lines << u"points.%1=%2"_s.arg(oneLine(it.key())).arg(it.value());
    lines << u"answer_space=%1"_s.arg(s.answerSpaceMm)
          << u"answer_space_types="_s + s.answerSpaceTypes.join(u',')
          << u"compact_choices=%1"_s.arg(s.compactChoices ? u"yes"_s : u"no"_s);
    return lines.join(u'\n').toUtf8() + '\n';
}

namespace {

std::unique_ptr<QSettings> openSettings()
{
    return openProgramSettings();
}

const QString kLayoutKey = u"paper/layout"_s;

} // namespace

PaperSettings rememberedPaperSettings()
{
    PaperSettings s = PaperSettings::defaults();
    const QString text = openSettings()->value(kLayoutKey).toString();
    PaperSettings read = s;
    // A value edited by hand into something unreadable gives the defaults.
    if (!text.isEmpty() && readPaperSettings(text.toUtf8(), &read, nullptr))
        s = read;
    return s;
}

void rememberPaperSettings(const PaperSettings& settings)
{
    openSettings()->setValue(kLayoutKey, QString::fromUtf8(writePaperSettings(settings)));
}

void setPaperSettingsFile(const QString& iniPath)
{
    setProgramSettingsFile(iniPath);
}

QString chineseNumeral(int n)
{
    static const QString digits = u"零一二三四五六七八九"_s;
    if (n <= 0 || n >= 100)
        return QString::number(n);
    if (n < 10)
        return digits.at(n);
    const int tens = n / 10;
    const int ones = n % 10;
    QString s = tens == 1 ? QString() : QString(digits.at(tens));
    s += u'十';
    if (ones)
        s += digits.at(ones);
    return s;
}
