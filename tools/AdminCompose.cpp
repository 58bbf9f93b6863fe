// tiku-admin compose BANK --criteria FILE --sets K --seed S --out PREFIX
//                   [--pdf] [--layout FILE]:
// composes K paper sets from a bank without windows, exactly as the composer
// window does, and writes PREFIX题目.rtf and PREFIX答案.rtf on the sheet of the
// layout; with --pdf also the laid-out paper and answer key, PREFIX题目.pdf and
// PREFIX答案.pdf.
#include "AdminCommands.h"

#include "compose/CriteriaFile.h"
#include "compose/PaperComposer.h"
#include "compose/PaperLayout.h"

#include <cstdio>
#include <QFile>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

void fail(const QString& message)
{
    std::fputs(("tiku-admin compose: "_L1 + message + u'\n').toUtf8().constData(), stderr);
}

int usage()
{
    fail(
        u"usage: tiku-admin compose BANK --criteria FILE --sets K --seed S --out PREFIX [--pdf] [--layout FILE]"_s);
    return 2;
}

} // namespace

int runCompose(const QStringList& args)
{
    QString bankPath;
    QString criteriaPath;
    QString prefix;
    QString setsText;
    QString seedText;
    QString layoutPath;
    bool pdf = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        QString* option = nullptr;
        if (arg == u"--pdf" && !pdf)
            pdf = true;
        else if (arg == u"--layout")
            option = &layoutPath;
        else if (arg == u"--criteria")
            option = &criteriaPath;
        else if (arg == u"--sets")
            option = &setsText;
        else if (arg == u"--seed")
            option = &seedText;
        else if (arg == u"--out")
            option = &prefix;
        else if (arg.startsWith(u'-') || !bankPath.isEmpty())
            return usage();
        else
            bankPath = arg;
        if (option) {
            if (i + 1 >= args.size() || !option->isEmpty())
                return usage();
            *option = args.at(++i);
        }
    }
    if (bankPath.isEmpty() || criteriaPath.isEmpty() || prefix.isEmpty() || setsText.isEmpty() ||
        seedText.isEmpty())
        return usage();
    bool ok = false;
    const int sets = setsText.toInt(&ok);
    if (!ok || sets < 1 || sets > 1000) {
        fail(u"--sets takes a whole number from 1 to 1000, not \"%1\""_s.arg(setsText));
        return 2;
    }
    const quint64 seed = seedText.toULongLong(&ok);
    if (!ok) {
        fail(u"--seed takes a whole number from 0 to 18446744073709551615, not \"%1\""_s.arg(seedText));
        return 2;
    }

    QFile file(criteriaPath);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(u"cannot read %1: %2"_s.arg(criteriaPath, file.errorString()));
        return 1;
    }
    const CriteriaFile criteria = CriteriaFile::parse(file.readAll());
    if (!criteria.ok()) {
        fail(criteriaPath + u": "_s + criteria.error);
        return 1;
    }
    PaperSettings layout = PaperSettings::defaults();
    if (!layoutPath.isEmpty()) {
        QFile layoutFile(layoutPath);
        if (!layoutFile.open(QIODevice::ReadOnly)) {
            fail(u"cannot read %1: %2"_s.arg(layoutPath, layoutFile.errorString()));
            return 1;
        }
        QString error;
        if (!readPaperSettings(layoutFile.readAll(), &layout, &error)) {
            fail(layoutPath + u": "_s + error);
            return 1;
        }
    }
    if (!QFileInfo(bankPath).isFile()) {
        fail(u"%1: no such bank file"_s.arg(bankPath));
        return 1;
    }

    std::vector<TableQuery> queries(1);
    for (const CompositionCriteria& c : criteria.questions)
        queries.push_back(candidateQuery(c));

    QTextDocument paper;
    QTextDocument answers;
    QTextCursor paperCaret(&paper);
    QTextCursor answerCaret(&answers);
    SeededUniform random(seed);
    PaperComposer composer([&] { return BankStore::openExternalBank(bankPath); }, std::ref(random));
    PaperLayout paperPages(layout, PaperLayout::Kind::Paper);
    PaperLayout answerPages(layout, PaperLayout::Kind::Answers);
    try {
        for (int k = 1; k <= sets; ++k) {
            const ComposedSet set = composer.composeSet(k, queries, paperCaret, answerCaret);
            std::fputs(u"set %1:\t%2\n"_s.arg(k).arg(set.numbers.join(u'\t')).toUtf8().constData(), stdout);
            if (!set.complete()) {
                // A script gets no partial paper: nothing is written.
                fail(set.failure);
                return 1;
            }
            if (pdf) {
                std::vector<PaperQuestion> questions;
                for (const QuestionRecord& q : set.questions)
                    questions.push_back({q.number, q.type, q.content, q.answer});
                paperPages.addSet(questions);
                answerPages.addSet(questions);
            }
        }
    } catch (const StoreError& e) {
        fail(u"%1: error %2: %3"_s.arg(bankPath).arg(e.number).arg(e.text));
        return 1;
    }
    std::fflush(stdout);

    QString error;
    const RtfPage page = paperRtfPage(layout.format);
    if (!saveDocumentAsRtf(paper, prefix + u"题目.rtf"_s, &error, page) ||
        !saveDocumentAsRtf(answers, prefix + u"答案.rtf"_s, &error, page)) {
        fail(error);
        return 1;
    }
    if (pdf) {
        // A question that cannot be shown whole is still printed, and named.
        for (const QString& problem : paperPages.problems() + answerPages.problems())
            fail(problem);
        if (!paperPages.writePdf(prefix + u"题目.pdf"_s, &error) ||
            !answerPages.writePdf(prefix + u"答案.pdf"_s, &error)) {
            fail(error);
            return 1;
        }
    }
    return 0;
}
