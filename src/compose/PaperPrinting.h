#pragma once

#include "compose/PaperLayout.h"

#include <memory>
#include <vector>

class QPrintPreviewDialog;
class QTextDocument;
class QWidget;

// 打印预览 and 导出PDF of both composers. Each asks for the 版式 first (the
// dialog shows what was chosen last, and what is chosen now is kept for the
// next time), then lays the sets out once. A question whose picture cannot be
// shown is printed with a marked box and named in a message; the rest is
// printed.

// What a composer prints: the documents it shows, with the questions composed
// into them for their types (the sections) and numbers. Each question's body
// is taken from the document (takeBodiesFromDocument()); a document that
// cannot be read question by question is printed as it stands, and the
// teacher is told why.
struct PaperSource
{
    std::vector<PaperSet> sets{};
    const QTextDocument* paper = nullptr;
    const QTextDocument* answers = nullptr;
    bool setHeaders = true; // 第（k）套试卷的… heads each set
};

// Opens the print preview of `source` beside `parent` without waiting for it
// to close; its print button prints on a real printer. nullptr when the dialog
// was cancelled or there is nothing to print.
QPrintPreviewDialog* printPreviewPaper(QWidget* parent, const PaperSource& source);

// Asks for a file name (proposing the paper's title, or 试卷 / 答案, with the
// date) and writes the paper there as PDF through QSaveFile, then says where
// the file went; a failure is said in a message box and leaves an existing
// file whole. True when the file was written.
bool exportPaperPdf(QWidget* parent, const PaperSource& source);

// The preview of pages already laid out, opened (window-modal, deleted when
// closed): each painting of the preview paints the pages of this one layout.
QPrintPreviewDialog* openPaperPreview(QWidget* parent, std::shared_ptr<const PaperLayout> layout);
