#include "compose/CriteriaFile.h"

#include "store/BankTables.h"

#include <algorithm>
#include <QList>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

// The criteria columns, in the order of the step-2 window.
const QStringList& criteriaColumns()
{
    static const QStringList columns{
        QuestionColumns::type,      QuestionColumns::level1,     QuestionColumns::level2,
        QuestionColumns::level3,    QuestionColumns::difficulty, QuestionColumns::entranceExam,
        QuestionColumns::enteredBy, QuestionColumns::enteredAt,  QuestionColumns::number};
    return columns;
}

QString* fieldOf(CompositionCriteria& c, int column)
{
    switch (column) {
    case 0:
        return &c.type;
    case 1:
        return &c.path.level1;
    case 2:
        return &c.path.level2;
    case 3:
        return &c.path.level3;
    case 4:
        return &c.difficulty;
    case 5:
        return &c.entranceExam;
    case 6:
        return &c.enteredBy;
    case 7:
        return &c.enteredAt;
    default:
        return &c.number;
    }
}

CriteriaFile failure(const QString& message)
{
    CriteriaFile f;
    f.error = message;
    return f;
}

} // namespace

CriteriaFile CriteriaFile::parse(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    if (!lines.isEmpty() && lines.first().startsWith("\xEF\xBB\xBF"))
        lines.first().remove(0, 3);
    if (lines.isEmpty())
        return failure(u"line 1: the header line naming the nine criteria columns is missing"_s);

    std::vector<int> columnOf; // column index of each cell of a line
    CriteriaFile result;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines.at(n);
        if (line.endsWith('\r'))
            line.chop(1);
        const QString where = u"line %1: "_s.arg(n + 1);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(line);
        if (decoder.hasError())
            return failure(where + u"not UTF-8 text"_s);
        const QStringList cells = text.split(u'\t');
        if (cells.size() != criteriaColumns().size())
            return failure(where +
                           u"%1 columns where 9 are expected (separated by tabs)"_s.arg(cells.size()));
        if (n == 0) {
            for (const QString& name : cells) {
                const int column = int(criteriaColumns().indexOf(name));
                if (column < 0)
                    return failure(where + u"unknown field \"%1\" (the fields are %2)"_s.arg(
                                               name, criteriaColumns().join(u", "_s)));
                if (std::find(columnOf.begin(), columnOf.end(), column) != columnOf.end())
                    return failure(where + u"field \"%1\" named twice"_s.arg(name));
                columnOf.push_back(column);
            }
            continue;
        }
        CompositionCriteria criteria;
        for (qsizetype c = 0; c < cells.size(); ++c)
            *fieldOf(criteria, columnOf[size_t(c)]) = cells.at(c);
        result.questions.push_back(criteria);
    }
    if (result.questions.empty())
        return failure(u"line 2: no question follows the header line"_s);
    if (result.questions.size() > size_t(kMaxQuestionTotal))
        return failure(
            u"line %1: more than %2 questions"_s.arg(kMaxQuestionTotal + 2).arg(kMaxQuestionTotal));
    return result;
}
