// tiku-admin init PATH: creates the default bank, with one super administrator,
// the question types, the knowledge classification and the sample questions.
#include "AdminCommands.h"
#include "bankgen/SyntheticBodies.h"
#include "SampleQuestions.h"

#include "store/BankSchema.h"
#include "store/BankStore.h"
#include "store/Password.h"

#include <cstdio>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

void fail(const QString& message)
{
    std::fputs(qPrintable(u"tiku-admin init: "_s + message + u'\n'), stderr);
}

// The classification compiled into the tool: one path a line, levels
// separated by " / ", '#' starts a comment line.
std::vector<KnowledgePath> readClassification(QString* error)
{
    QFile file(u":/classification/knowledge.txt"_s);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = u"the knowledge classification is missing from the tool"_s;
        return {};
    }
    std::vector<KnowledgePath> paths;
    int lineNumber = 0;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        ++lineNumber;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList levels = line.split(u" / "_s);
        if (levels.size() != 3 || levels.contains(QString())) {
            *error = u"knowledge.txt line %1 is not \"level 1 / level 2 / level 3\": %2"_s.arg(lineNumber)
                         .arg(line);
            return {};
        }
        paths.push_back({levels[0].trimmed(), levels[1].trimmed(), levels[2].trimmed()});
    }
    return paths;
}

// A question body as the program stores it: one whole RTF document.
QByteArray richText(const QString& markup)
{
    bankgen::SyntheticBodyBuilder body;
    body.add(markup);
    return body.finish().rtf;
}

void fillBank(BankStore& store, const std::vector<KnowledgePath>& paths)
{
    store.appendUser({u"admin"_s, hashPassword(u"admin123"_s), u"超级管理"_s});
    for (const QString& type : defaultQuestionTypes())
        store.appendQuestionType(type);
    for (const KnowledgePath& p : paths)
        store.appendKnowledgePath(p);
    int number = 0;
    for (const SampleQuestion& sample : sampleQuestions()) {
        store.appendQuestion({
            .number = QString::number(++number),
            .type = sample.type,
            .path = {sample.knowledge1, sample.knowledge2, sample.knowledge3},
            .difficulty = sample.difficulty,
            .content = richText(sample.content),
            .answer = richText(sample.answer),
            .entranceExam = sample.entranceExam,
            .enteredBy = sample.enteredBy,
            .enteredAt = sample.enteredAt,
        });
    }
}

} // namespace

int runInit(const QStringList& args)
{
    if (args.size() != 1) {
        std::fputs("usage: tiku-admin init PATH\n", stderr);
        return 2;
    }
    const QString path = QFileInfo(args.first()).absoluteFilePath();
    if (QFileInfo::exists(path)) {
        fail(u"%1 already exists; it is left as it is"_s.arg(QDir::toNativeSeparators(path)));
        return 1;
    }
    QString error;
    const std::vector<KnowledgePath> paths = readClassification(&error);
    if (!error.isEmpty()) {
        fail(error);
        return 1;
    }
    if (!QFileInfo(path).dir().mkpath(u"."_s)) {
        fail(u"cannot create the folder of %1"_s.arg(QDir::toNativeSeparators(path)));
        return 1;
    }

    try {
        createBankFile(path);
    } catch (const StoreError& e) {
        fail(e.text);
        return 1;
    }
    try {
        BankStore store = BankStore::openExternalBank(path);
        store.inTransaction([&] { fillBank(store, paths); });
    } catch (const StoreError& e) {
        fail(e.text);
        QFile::remove(path); // a half-filled default bank is worse than none
        return 1;
    }
    std::fprintf(stdout, "%s: %zu knowledge paths, %lld question types, %zu questions, user admin\n",
                 qPrintable(QDir::toNativeSeparators(path)), paths.size(),
                 static_cast<long long>(defaultQuestionTypes().size()), sampleQuestions().size());
    return 0;
}
