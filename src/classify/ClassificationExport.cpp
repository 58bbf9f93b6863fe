#include "classify/ClassificationExport.h"

#include "rtf/RtfWriter.h"
#include "store/BankStore.h"

#include <QDir>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

QTextCharFormat songti(double points)
{
    // Every run carries its face and size, so the document writes the same
    // RTF whatever default font the document it is built in has (the box's in
    // the window, the application's in tiku-admin).
    QTextCharFormat f;
    f.setFontFamilies(QStringList{u"宋体"_s});
    f.setFontPointSize(points);
    return f;
}

// Builds into `doc` with its undo history off: the export replaces the whole
// document as loading one does, and thousands of undo steps would only cost
// memory. All changes form one edit block, so a view lays the document out
// once, at the end.
class DocumentBuild
{
public:
    DocumentBuild(QTextDocument* doc, const QString& title)
        : doc_(doc), undo_(doc->isUndoRedoEnabled()), block_(doc)
    {
        doc_->setUndoRedoEnabled(false);
        block_.beginEditBlock();
        cursor_ = startExportDocument(doc_, title);
    }
    ~DocumentBuild()
    {
        block_.endEditBlock();
        doc_->setUndoRedoEnabled(undo_);
    }
    DocumentBuild(const DocumentBuild&) = delete;
    DocumentBuild& operator=(const DocumentBuild&) = delete;

    QTextCursor& end() { return cursor_; }

private:
    QTextDocument* doc_;
    bool undo_;
    QTextCursor block_; // holds the edit block, which is the document's
    QTextCursor cursor_;
};

} // namespace

QTextCharFormat exportTextFormat()
{
    return songti(10.5);
}

QTextCharFormat exportNameFormat()
{
    return songti(9);
}

QString knowledgePointTitle()
{
    return u"《初中数学三级知识点分类表》"_s;
}

QString questionTypeTitle()
{
    return u"《初中数学题型分类表》"_s;
}

QString levelOneNumber(qsizetype k)
{
    return u"｛"_s + QString::number(k) + u"｝："_s;
}

QString levelTwoNumber(qsizetype m)
{
    return u"［"_s + QString::number(m) + u"］："_s;
}

QString levelThreeNumber(qsizetype j)
{
    return u"（"_s + QString::number(j) + u"）："_s;
}

QTextCursor startExportDocument(QTextDocument* doc, const QString& title)
{
    const QTextCharFormat text = exportTextFormat();
    QTextCursor c(doc);
    c.beginEditBlock();
    c.select(QTextCursor::Document);
    c.removeSelectedText();
    c.setBlockFormat(QTextBlockFormat());
    c.setBlockCharFormat(text);
    c.insertText(title, text);
    for (int i = 0; i < 3; ++i)
        c.insertBlock(QTextBlockFormat(), text);
    c.endEditBlock();
    return c;
}

void appendEntry(QTextCursor& end, int indent, const QString& numberText, const QString& name)
{
    const QTextCharFormat text = exportTextFormat();
    end.movePosition(QTextCursor::End);
    end.insertText(QString(indent, u' ') + numberText, text);
    end.insertText(name, exportNameFormat());
    end.insertBlock(QTextBlockFormat(), text);
}

KnowledgePointCounts writeKnowledgePointDocument(const std::vector<KnowledgePath>& sortedPaths,
                                                 QTextDocument* doc)
{
    DocumentBuild build(doc, knowledgePointTitle());
    KnowledgePointCounts counts;
    // The paths come sorted by level 1, 2, 3, so the paths under one level-1
    // name, and under one level-2 name within it, stand together.
    const KnowledgePath* previous = nullptr;
    bool level1Written = false;
    bool level2Written = false;
    qsizetype m = 0;
    qsizetype j = 0;
    for (const KnowledgePath& p : sortedPaths) {
        const bool newLevel1 = !previous || p.level1 != previous->level1;
        if (newLevel1) {
            level1Written = false;
            m = 0;
        }
        if (newLevel1 || p.level2 != previous->level2) {
            level2Written = false;
            j = 0;
        }
        previous = &p;
        // Empty names at the end of a path are no entries: a path stored as
        // level 1 alone gives its level-1 line without children. An empty
        // name with a name below it is listed, so that nothing is hidden.
        const int depth = !p.level3.isEmpty() ? 3 : !p.level2.isEmpty() ? 2 : !p.level1.isEmpty() ? 1 : 0;
        if (depth >= 1 && !level1Written) {
            appendEntry(build.end(), 0, levelOneNumber(++counts.level1), p.level1);
            level1Written = true;
        }
        if (depth >= 2 && !level2Written) {
            appendEntry(build.end(), 6, levelTwoNumber(++m), p.level2);
            ++counts.level2;
            level2Written = true;
        }
        if (depth >= 3) {
            appendEntry(build.end(), 12, levelThreeNumber(++j), p.level3);
            ++counts.level3;
        }
    }
    return counts;
}

qsizetype writeQuestionTypeDocument(const QStringList& types, QTextDocument* doc)
{
    DocumentBuild build(doc, questionTypeTitle());
    qsizetype k = 0;
    for (const QString& type : types)
        appendEntry(build.end(), 0, levelThreeNumber(++k), type);
    return k;
}

KnowledgePointCounts exportKnowledgePoints(BankStore& store, QTextDocument* doc)
{
    return writeKnowledgePointDocument(store.knowledgePathsInNameOrder(), doc);
}

qsizetype exportQuestionTypes(BankStore& store, QTextDocument* doc)
{
    QStringList types;
    for (const QuestionType& t : store.questionTypes())
        types << t.name;
    return writeQuestionTypeDocument(types, doc);
}

bool saveExportDocument(const QTextDocument& doc, const QString& fileName, QString* error)
{
    QSaveFile f(fileName);
    const QByteArray rtf = RtfWriter::write(doc);
    const bool ok = f.open(QIODevice::WriteOnly) && f.write(rtf) == rtf.size() && f.commit();
    if (!ok && error)
        *error = u"无法保存文件“%1”：%2"_s.arg(QDir::toNativeSeparators(fileName), f.errorString());
    return ok;
}
