// tiku-admin import: a teacher's Word paper into a bank without windows, as
// 导入试卷 does it: read, split into questions with their answers, appended
// in one transaction after the bank's last number. Fields the command is not
// given stay empty, for the teacher to fill in later in 修改题目; --dry-run
// only says what it found.
#include "AdminCommands.h"

#include "docx/BodyWriter.h"
#include "questions/PaperImport.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

void say(const QString& text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stdout);
}

int fail(const QString& message)
{
    std::fputs((u"tiku-admin import: "_s + message + u'\n').toUtf8().constData(), stderr);
    return 1;
}

int usage()
{
    std::fputs(
        "usage: tiku-admin import FILE BANK [--knowledge A/B/C] [--type T] [--difficulty D] [--dry-run]\n",
        stderr);
    return 2;
}

// The account the tool runs for: it is who entered the questions.
QString runningAccount()
{
    for (const char* name : {"USERNAME", "USER", "LOGNAME"}) {
        const QString user = qEnvironmentVariable(name);
        if (!user.isEmpty())
            return user;
    }
    return u"导入"_s;
}

} // namespace

int runImport(const QStringList& args)
{
    QStringList positional;
    QuestionRecord defaults;
    bool dryRun = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == u"--dry-run") {
            dryRun = true;
        } else if (a == u"--knowledge" && hasValue) {
            const QStringList levels = args[++i].split(u'/');
            if (levels.size() > 3 || levels.contains(QString()))
                return fail(u"--knowledge takes one to three levels as A/B/C, not \"%1\""_s.arg(args[i]));
            defaults.path = {levels.value(0), levels.value(1), levels.value(2)};
        } else if (a == u"--type" && hasValue) {
            defaults.type = args[++i];
        } else if (a == u"--difficulty" && hasValue) {
            defaults.difficulty = args[++i];
        } else if (a.startsWith(u'-')) {
            return usage();
        } else {
            positional << a;
        }
    }
    if (positional.size() != 2)
        return usage();
    const QString& file = positional[0];
    const QString& bank = positional[1];
    defaults.enteredBy = runningAccount();
    defaults.enteredAt = QDate::currentDate().toString(u"yyyy-MM-dd"_s);

    QString why;
    if (!isBankFile(bank, &why))
        return fail(u"%1 is not a bank file (%2); nothing was changed"_s.arg(native(bank), why));
    try {
        QStringList types;
        {
            BankStore store = BankStore::openExternalBank(bank);
            for (const QuestionType& t : store.questionTypes())
                types << t.name;
        }
        // A dry run typesets nothing: it only counts.
        std::unique_ptr<docx::FormulaPictures> formulas;
        if (!dryRun)
            formulas = std::make_unique<docx::FormulaPictures>();
        PaperImport paper;
        QString error;
        if (!paper.open(file, types, defaults, formulas.get(), &error))
            return fail(error + u"; nothing was changed"_s);
        if (!paper.conversionNotice().isEmpty())
            say(paper.conversionNotice());

        if (dryRun) {
            int pictures = 0;
            int formulaCount = 0;
            int answered = 0;
            for (const ImportedQuestion& q : paper.questions()) {
                pictures += q.pictures;
                formulaCount += q.formulas;
                answered += q.hasAnswer() ? 1 : 0;
                QString line = u"%1 [%2] %3 | pictures %4, formulas %5, answer %6"_s
                                   .arg(q.paperNumber, q.record.type.isEmpty() ? u"?"_s : q.record.type,
                                        q.firstLine().left(40))
                                   .arg(q.pictures)
                                   .arg(q.formulas)
                                   .arg(q.hasAnswer() ? u"yes"_s : u"no"_s);
                if (!q.warnings.isEmpty())
                    line += u" | "_s + q.warnings.join(u"；"_s);
                say(line);
            }
            for (const QString& w : paper.warnings())
                say(u"warning: "_s + w);
            say(u"found %1 questions in %2: %3 pictures, %4 formulas, %5 answers matched; dry run, nothing "
                u"was "
                u"written"_s.arg(paper.count())
                    .arg(native(file))
                    .arg(pictures)
                    .arg(formulaCount)
                    .arg(answered));
            return 0;
        }
        if (paper.count() == 0)
            return fail(u"no questions were found in %1; nothing was changed"_s.arg(native(file)));
        BankStore store = BankStore::openExternalBank(bank);
        const NumberedAppend added = paper.importInto(store);
        for (const QString& w : paper.warnings())
            say(u"warning: "_s + w);
        say(u"appended %1 questions from %2 to %3, numbered %4 to %5"_s.arg(added.appended)
                .arg(native(file), native(bank), added.firstNumber, added.lastNumber));
    } catch (const StoreError& e) {
        return fail(u"nothing was appended: %1"_s.arg(e.text));
    }
    return 0;
}
