#include "questions/PaperImport.h"

#include "docx/BodyWriter.h"
#include "docx/DocxReader.h"
#include "docx/OfficeConversion.h"
#include "docx/PaperSplitter.h"
#include "formula/FormulaRenderer.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "rtf/VisibleText.h"
#include "store/BankStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

using namespace Qt::StringLiterals;

namespace {

void readBody(const QByteArray& rtf, QTextDocument* doc)
{
    if (rtf.isEmpty())
        doc->clear();
    else
        RtfReader::read(rtf, doc);
}

bool isEmptyBody(const QTextDocument& doc)
{
    const QString text = doc.toPlainText();
    return text.trimmed().isEmpty() && !text.contains(QChar::ObjectReplacementCharacter);
}

// `tail` (RTF) put after what `doc` holds, in a paragraph of its own.
void appendBody(QTextDocument* doc, const QByteArray& tail)
{
    QTextDocument other;
    readBody(tail, &other);
    if (isEmptyBody(other))
        return;
    QTextCursor c(doc);
    c.movePosition(QTextCursor::End);
    if (!isEmptyBody(*doc))
        c.insertBlock();
    RtfReader::insert(tail, c);
}

} // namespace

QString ImportedQuestion::firstLine() const
{
    QTextDocument doc;
    readBody(record.content, &doc);
    const QStringList lines = rtf::visibleText(doc).split(u'\n');
    for (const QString& line : lines) {
        if (!line.trimmed().isEmpty())
            return line.simplified();
    }
    return {};
}

bool ImportedQuestion::hasAnswer() const
{
    QTextDocument doc;
    readBody(record.answer, &doc);
    return !isEmptyBody(doc);
}

void PaperImport::recount(ImportedQuestion& q)
{
    q.pictures = 0;
    q.formulas = 0;
    for (const QByteArray* body : {&q.record.content, &q.record.answer}) {
        QTextDocument doc;
        readBody(*body, &doc);
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (!f.isImageFormat())
                    continue;
                if (isFormula(f))
                    q.formulas += it.fragment().length();
                else
                    q.pictures += it.fragment().length();
            }
        }
    }
}

bool PaperImport::open(const QString& path, const QStringList& bankTypes, const QuestionRecord& defaults,
                       docx::FormulaPictures* formulas, QString* error, const Progress& progress)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString name = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    fileName_ = name;
    notice_.clear();
    warnings_.clear();
    questions_.clear();

    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(u"无法打开文件“%1”：%2"_s.arg(name, f.errorString()));
    if (f.size() > docx::DocxReader::kMaxFileBytes)
        return fail(u"文件“%1”太大，无法导入"_s.arg(name));
    QByteArray bytes = f.readAll();
    f.close();

    if (docx::detectFileKind(bytes) == docx::FileKind::WordBinary) {
        // .doc and .wps: LibreOffice turns them into .docx when it is installed.
        if (docx::libreOfficeProgram().isEmpty()) {
            return fail(
                u"文件“%1”是 Word 97-2003 或 WPS 格式（.doc、.wps）。这台电脑没有安装 "
                u"LibreOffice，无法自动转换。"
                u"请在 Word 或 WPS 中打开它，选择“另存为”，保存类型选“Word 文档（*.docx）”，再导入保存的 .docx 文件。"_s
                    .arg(name));
        }
        QString why;
        const std::optional<QByteArray> converted = docx::convertWithLibreOffice(path, &why);
        if (!converted) {
            return fail(u"文件“%1”是 Word 97-2003 或 WPS 格式，用 LibreOffice 转换为 .docx 时失败：%2。"
                        u"请在 Word 或 WPS 中把它另存为“Word 文档（*.docx）”后再导入。"_s.arg(name, why));
        }
        bytes = *converted;
        notice_ =
            u"“%1”是 Word 97-2003 或 WPS 格式，已由 LibreOffice 转换为 .docx 后读取。LibreOffice "
            u"没有安装公式组件（LibreOffice Math）时会丢掉其中的公式（MathType、公式编辑器），请逐题核对公式。"_s
                .arg(QFileInfo(path).fileName());
    }

    QString why;
    const std::optional<docx::Document> doc = docx::DocxReader::readBytes(bytes, name, &why);
    if (!doc)
        return fail(why);
    const docx::SplitPaper paper = docx::PaperSplitter::split(*doc, bankTypes);
    warnings_ = doc->warnings + paper.warnings;
    docx::BodyWriter writer(*doc, formulas);
    const int total = int(paper.questions.size());
    int done = 0;
    for (const docx::SplitQuestion& s : paper.questions) {
        ImportedQuestion q;
        q.paperNumber = s.number;
        q.section = s.section;
        q.score = s.score;
        q.warnings = s.warnings;
        q.record = defaults;
        if (defaults.type.isEmpty()) {
            q.record.type = s.type;
            q.typeGuessed = !s.typeFromSection && !s.type.isEmpty();
        }
        QStringList bodyWarnings;
        q.record.content = writer.rtf(s.content, &bodyWarnings);
        q.record.answer = writer.rtf(s.answer, &bodyWarnings);
        q.warnings += bodyWarnings;
        q.pictures = s.pictureCount();
        q.formulas = s.formulaCount();
        questions_.push_back(std::move(q));
        if (progress)
            progress(++done, total);
    }
    return true;
}

bool PaperImport::join(int i)
{
    if (i < 0 || i + 1 >= count())
        return false;
    ImportedQuestion& first = questions_[std::size_t(i)];
    const ImportedQuestion& second = questions_[std::size_t(i) + 1];
    for (auto [into, from] : {std::pair{&first.record.content, &second.record.content},
                              std::pair{&first.record.answer, &second.record.answer}}) {
        QTextDocument doc;
        readBody(*into, &doc);
        appendBody(&doc, *from);
        *into = RtfWriter::write(doc);
    }
    for (const QString& w : second.warnings) {
        if (!first.warnings.contains(w))
            first.warnings << w;
    }
    // What was said about a missing answer or a gap may no longer hold.
    if (first.hasAnswer())
        first.warnings.removeAll(u"没有找到答案"_s);
    if (first.score.isEmpty())
        first.score = second.score;
    questions_.erase(questions_.begin() + i + 1);
    recount(first);
    return true;
}

bool PaperImport::split(int i, int contentPosition, int answerPosition)
{
    if (i < 0 || i >= count())
        return false;
    ImportedQuestion& q = questions_[std::size_t(i)];
    QTextDocument content;
    readBody(q.record.content, &content);
    QTextDocument answer;
    readBody(q.record.answer, &answer);
    const int contentEnd = content.characterCount() - 1;
    const int answerEnd = answer.characterCount() - 1;
    contentPosition = std::clamp(contentPosition, 0, contentEnd);
    answerPosition = std::clamp(answerPosition, 0, answerEnd);
    // Both parts must keep some of the content.
    if (contentPosition == 0 || contentPosition == contentEnd)
        return false;

    auto cut = [](QTextDocument& doc, int position) {
        QTextCursor c(&doc);
        c.setPosition(position);
        c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        const QByteArray tail = c.hasSelection() ? RtfWriter::write(c) : QByteArray();
        c.removeSelectedText();
        // A cut in the middle of a line leaves its paragraph mark behind: no
        // empty paragraph at the end of the first part.
        QTextCursor end(&doc);
        end.movePosition(QTextCursor::End);
        if (end.block().length() <= 1 && end.block().previous().isValid()) {
            end.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            end.removeSelectedText();
        }
        return tail;
    };
    ImportedQuestion second = q;
    second.record.content = cut(content, contentPosition);
    second.record.answer = answerPosition < answerEnd ? cut(answer, answerPosition) : QByteArray();
    if (second.record.answer.isEmpty()) {
        QTextDocument empty;
        second.record.answer = RtfWriter::write(empty);
    }
    q.record.content = RtfWriter::write(content);
    q.record.answer = RtfWriter::write(answer);
    // The second part is numbered after the first: 12-2, 12-3 ...
    int part = 2;
    QString number;
    do {
        number = q.paperNumber.section(u'-', 0, 0) + u'-' + QString::number(part++);
    } while (std::any_of(questions_.begin(), questions_.end(),
                         [&](const ImportedQuestion& o) { return o.paperNumber == number; }));
    second.paperNumber = number;
    second.score.clear();
    second.warnings = {u"由第 %1 题拆分而来"_s.arg(q.paperNumber)};
    if (!second.hasAnswer())
        second.warnings << u"没有找到答案"_s;
    if (!q.hasAnswer() && !q.warnings.contains(u"没有找到答案"_s))
        q.warnings << u"没有找到答案"_s;
    recount(q);
    recount(second);
    questions_.insert(questions_.begin() + i + 1, std::move(second));
    return true;
}

bool PaperImport::moveParagraph(int i, Side from, int position)
{
    if (i < 0 || i >= count())
        return false;
    ImportedQuestion& q = questions_[std::size_t(i)];
    QByteArray& source = from == Side::Content ? q.record.content : q.record.answer;
    QByteArray& target = from == Side::Content ? q.record.answer : q.record.content;
    QTextDocument doc;
    readBody(source, &doc);
    if (isEmptyBody(doc))
        return false;
    const QTextBlock block = doc.findBlock(std::clamp(position, 0, doc.characterCount() - 1));
    if (!block.isValid())
        return false;
    QTextCursor c(block);
    if (c.currentTable())
        return false;
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    const QByteArray paragraph = RtfWriter::write(c);
    // The paragraph goes with its mark: the one after it, or (for the last
    // paragraph) the one before it.
    QTextCursor remove(&doc);
    if (block.next().isValid()) {
        remove.setPosition(block.position());
        remove.setPosition(block.next().position(), QTextCursor::KeepAnchor);
    } else if (block.previous().isValid()) {
        remove.setPosition(block.position() - 1);
        remove.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    } else {
        remove.select(QTextCursor::Document);
    }
    remove.removeSelectedText();
    source = RtfWriter::write(doc);

    QTextDocument other;
    readBody(target, &other);
    QTextCursor at(&other);
    if (from == Side::Content) {
        // To the start of the answer: what the splitter took for the end of
        // the question was where the answer began.
        at.movePosition(QTextCursor::Start);
        const bool empty = isEmptyBody(other);
        if (!empty) {
            at.insertBlock();
            at.movePosition(QTextCursor::Start);
        }
        RtfReader::insert(paragraph, at);
    } else {
        at.movePosition(QTextCursor::End);
        if (!isEmptyBody(other))
            at.insertBlock();
        RtfReader::insert(paragraph, at);
    }
    target = RtfWriter::write(other);
    if (q.hasAnswer())
        q.warnings.removeAll(u"没有找到答案"_s);
    else if (!q.warnings.contains(u"没有找到答案"_s))
        q.warnings << u"没有找到答案"_s;
    recount(q);
    return true;
}

bool PaperImport::drop(int i)
{
    if (i < 0 || i >= count())
        return false;
    questions_.erase(questions_.begin() + i);
    return true;
}

void PaperImport::setFields(const QList<int>& which, const ImportFields& fields)
{
    for (const int i : which) {
        if (i < 0 || i >= count())
            continue;
        QuestionRecord& r = questions_[std::size_t(i)].record;
        if (fields.type) {
            r.type = *fields.type;
            questions_[std::size_t(i)].typeGuessed = false;
        }
        if (fields.path)
            r.path = *fields.path;
        if (fields.difficulty)
            r.difficulty = *fields.difficulty;
        if (fields.entranceExam)
            r.entranceExam = *fields.entranceExam;
        if (fields.enteredBy)
            r.enteredBy = *fields.enteredBy;
    }
}

NumberedAppend PaperImport::importInto(BankStore& store) const
{
    std::vector<QuestionRecord> records;
    records.reserve(questions_.size());
    for (const ImportedQuestion& q : questions_)
        records.push_back(q.record);
    return appendNumberedQuestions(store, std::move(records));
}
