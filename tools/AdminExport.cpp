// tiku-admin export BANK --knowledge-points|--question-types OUT.rtf [--force]:
// a classification of a bank as the document 导出知识点 or 导出题型 saves,
// byte for byte, for scripts and for a school's IT staff.
#include "AdminCommands.h"

#include "classify/ClassificationExport.h"
#include "store/BankSchema.h"
#include "store/BankStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void fail(const QString& message)
{
    std::fputs(("tiku-admin export: "_L1 + message + u'\n').toUtf8().constData(), stderr);
}

int usage()
{
    fail(u"usage: tiku-admin export BANK --knowledge-points|--question-types OUT.rtf [--force]"_s);
    return 2;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

int runExport(const QStringList& args)
{
    enum class What { None, KnowledgePoints, QuestionTypes };
    What what = What::None;
    bool force = false;
    QStringList files;
    for (const QString& arg : args) {
        if (arg == u"--knowledge-points" || arg == u"--question-types") {
            const What w = arg == u"--knowledge-points" ? What::KnowledgePoints : What::QuestionTypes;
            if (what != What::None && what != w)
                return usage();
            what = w;
        } else if (arg == u"--force") {
            force = true;
        } else if (arg.startsWith(u'-') && arg != u"-") {
            return usage();
        } else {
            files << arg;
        }
    }
    if (what == What::None || files.size() != 2)
        return usage();
    const QString bank = files.at(0);
    const QString out = files.at(1);

    if (!QFileInfo(bank).isFile()) {
        fail(u"%1: no such bank file"_s.arg(native(bank)));
        return 1;
    }
    QString why;
    if (!isBankFile(bank, &why)) {
        fail(u"%1 is not a bank file: %2"_s.arg(native(bank), why));
        return 1;
    }
    if (QFileInfo::exists(out) && !force) {
        fail(u"%1 already exists; it is left as it is (--force replaces it)"_s.arg(native(out)));
        return 1;
    }
    if (QFileInfo(out).isDir()) {
        fail(u"%1 is a folder"_s.arg(native(out)));
        return 1;
    }

    QTextDocument doc;
    QString summary;
    try {
        BankStore store = BankStore::openExternalBank(bank);
        if (what == What::KnowledgePoints) {
            const KnowledgePointCounts n = exportKnowledgePoints(store, &doc);
            summary =
                u"%1 level-1, %2 level-2 and %3 level-3 knowledge points"_s.arg(n.level1).arg(n.level2).arg(
                    n.level3);
        } else {
            summary = u"%1 question types"_s.arg(exportQuestionTypes(store, &doc));
        }
    } catch (const StoreError& e) {
        fail(u"%1: %2"_s.arg(native(bank), e.text));
        return 1;
    }
    QString error;
    if (!saveExportDocument(doc, out, &error)) {
        fail(error);
        return 1;
    }
    std::fputs(qPrintable(u"%1: %2\n"_s.arg(native(out), summary)), stdout);
    return 0;
}
