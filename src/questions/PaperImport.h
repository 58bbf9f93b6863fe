#pragma once

#include "store/BankRecords.h"
#include "store/NumberedAppend.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class BankStore;

namespace docx {
class FormulaPictures;
}

// One question found in a paper, as it will be stored: its bodies as the
// program's RTF and its fields; the bank number is given when it is imported.
struct ImportedQuestion
{
    QString paperNumber;      // as the paper numbers it ("12"; "12-2" for the second part of a split)
    QString section;          // the heading it stood under
    QString score;            // its score mark's points, or empty
    bool typeGuessed = false; // the type was guessed from what it holds, not from its section
    QStringList warnings;     // what the teacher should look at
    int pictures = 0;
    int formulas = 0;
    QuestionRecord record;

    QString firstLine() const; // the content's first line of text
    bool hasAnswer() const;
};

// Fields the teacher sets for several questions at once; an unset field is
// left as each question has it.
struct ImportFields
{
    std::optional<QString> type;
    std::optional<KnowledgePath> path;
    std::optional<QString> difficulty;
    std::optional<QString> entranceExam;
    std::optional<QString> enteredBy;
};

// A paper on its way into the bank: read from Word (.docx; .doc and .wps
// through LibreOffice when it is installed), split into questions with
// their answers, adjusted by the teacher, and appended in one transaction.
// Nothing touches the bank before importInto().
class PaperImport
{
public:
    // Called with the questions written so far and their number.
    using Progress = std::function<void(int done, int total)>;

    // Reads and splits the file at `path`. `bankTypes` are the bank's
    // question types (section headings are matched against them);
    // `defaults` gives every question its fields (a type guessed from the
    // paper wins over defaults.type only where defaults.type is empty);
    // `formulas` typesets the formulas (nullptr: each keeps Word's picture).
    // False with a message for the teacher in `error`.
    bool open(const QString& path, const QStringList& bankTypes, const QuestionRecord& defaults,
              docx::FormulaPictures* formulas, QString* error, const Progress& progress = {});

    QString fileName() const { return fileName_; }
    // Set when the file had to be converted first (.doc, .wps): what that means for the teacher.
    QString conversionNotice() const { return notice_; }
    // About the paper as a whole (paragraphs that belong to no question, key entries without a question ...).
    QStringList warnings() const { return warnings_; }
    const std::vector<ImportedQuestion>& questions() const { return questions_; }
    int count() const { return int(questions_.size()); }

    // The teacher's adjustments. Each returns false, changing nothing, when
    // it cannot be done (an index out of range, nothing to split).
    // Question i and the one after it become one: contents, then answers, one after the other.
    bool join(int i);
    // Question i is cut in two at `contentPosition` of its content and at
    // `answerPosition` of its answer (positions of the documents as the RTF
    // reader reads the bodies); what follows each goes to a new question
    // after it with the same fields.
    bool split(int i, int contentPosition, int answerPosition);
    enum class Side { Content, Answer };
    // Moves the paragraph at `position` of one body to the other: a content
    // paragraph to the start of the answer, an answer paragraph to the end
    // of the content. Not for a paragraph inside a table.
    bool moveParagraph(int i, Side from, int position);
    bool drop(int i);
    // Sets `fields` on the questions `which` (indexes).
    void setFields(const QList<int>& which, const ImportFields& fields);

    // Appends every question to the bank as one transaction, numbered after
    // the bank's last question. Throws StoreError (then nothing is appended).
    NumberedAppend importInto(BankStore& store) const;

private:
    void recount(ImportedQuestion& q);

    QString fileName_;
    QString notice_;
    QStringList warnings_;
    std::vector<ImportedQuestion> questions_;
};
