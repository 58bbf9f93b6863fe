#pragma once

#include <QString>
#include <QStringList>

class QTextDocument;
class QWidget;

// The file types the save dialog of both composers offers. Whatever type or
// extension is chosen, the file holds RTF.
QString paperFileFilter();

// Which of the two documents of a composition.
enum class PaperPart { Paper, Answers };

// The name a save dialog proposes for a paper or its answers, without date
// and extension: the paper's title (its title lines that hold no blanks to
// fill in, joined) or 试卷, and for the answers that with 答案 after it (or 答案
// alone). Characters no file name may hold are left out.
QString paperFileBase(PaperPart part, const QStringList& titleLines = {});

// 保存题目 / 保存答案: asks for a file name (proposing 试卷-<date>.rtf or
// 答案-<date>.rtf in the folder saved into last) and writes `doc` there as
// RTF, on the sheet chosen last in 版式 (size, margins, columns). True when the document was saved; false
// when the dialog was cancelled or the file could not be written (said in a message box; an existing file
// stays whole and the document stays in the window).
bool savePaperDocument(QWidget* parent, const QTextDocument& doc, PaperPart part = PaperPart::Paper);
