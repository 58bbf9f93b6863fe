#pragma once

#include <QString>

class QTextDocument;
class QWidget;

// The file types the save dialog of both composers offers. Whatever type or
// extension is chosen, the file holds RTF.
QString paperFileFilter();

// 保存题目 / 保存答案: asks for a file name and writes `doc` there as RTF, on
// the sheet chosen last in 版式 (size, margins, columns).
// True when the document was saved; false when the dialog was cancelled or
// the file could not be written (said in a message box; an existing file stays
// whole and the document stays in the window).
bool savePaperDocument(QWidget* parent, const QTextDocument& doc);
