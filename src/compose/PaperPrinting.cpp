#include "compose/PaperPrinting.h"

#include "compose/ComposedDocument.h"
#include "compose/PaperFiles.h"
#include "compose/PaperSettingsDialog.h"
#include "rtf/RtfWriter.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <optional>
#include <QApplication>
#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrintPreviewDialog>

using namespace Qt::StringLiterals;

namespace {

struct PrintChoice
{
    PaperSettings settings;
    PaperLayout::Kind kind = PaperLayout::Kind::Paper;
};

// The 版式 dialog, filled with what was chosen last; nullopt when cancelled
// or when there is nothing to print.
std::optional<PrintChoice> askPrintChoice(QWidget* parent, const std::vector<PaperSet>& sets)
{
    const bool empty = std::all_of(sets.begin(), sets.end(), [](const PaperSet& s) { return s.empty(); });
    if (empty) {
        dialogs().message(parent, u"提示"_s, u"试卷中还没有题目，请先组卷。"_s);
        return std::nullopt;
    }
    const PaperSettings remembered = rememberedPaperSettings();
    PaperSettingsDialog dialog(remembered, paperSections(sets.front(), remembered), parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const PrintChoice choice{dialog.settings(), dialog.kind()};
    rememberPaperSettings(choice.settings);
    return choice;
}

std::shared_ptr<PaperLayout> layOut(QWidget* parent, const PrintChoice& choice, const PaperSource& source)
{
    auto layout = std::make_shared<PaperLayout>(choice.settings, choice.kind);
    QStringList problems;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore
        {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        // What the window shows is printed, corrections included; the
        // composed bodies only where there is no document.
        const bool answers = choice.kind == PaperLayout::Kind::Answers;
        const QTextDocument* doc = answers ? source.answers : source.paper;
        std::vector<PaperSet> sets = source.sets;
        QString problem;
        if (doc && !takeBodiesFromDocument(sets, *doc, choice.kind, source.setHeaders, &problem)) {
            problems << problem + u"，无法逐题分节排版，已按文档原样排版。"_s;
            layout->addDocument(RtfWriter::write(*doc));
        } else {
            for (const PaperSet& set : sets) {
                if (!set.empty())
                    layout->addSet(set);
            }
        }
    }
    problems << layout->problems();
    if (!problems.isEmpty())
        dialogs().message(parent, u"提示"_s, problems.join(u'\n'));
    return layout;
}

// The sheet for a printer: a standard size where the pages have one (A4, A3),
// turned as the pages are; the layout keeps its own margins.
QPageLayout printerPageLayout(QSizeF mm)
{
    const bool landscape = mm.width() > mm.height();
    const QSizeF upright = landscape ? mm.transposed() : mm;
    QPageSize size(upright, QPageSize::Millimeter);
    if (size.id() == QPageSize::Custom)
        size = QPageSize(upright, QPageSize::Millimeter, u"8K"_s);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

} // namespace

QPrintPreviewDialog* openPaperPreview(QWidget* parent, std::shared_ptr<const PaperLayout> layout)
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(printerPageLayout(layout->pageSizeMm()));
    printer->setFullPage(true); // the page's origin is the sheet's corner
    printer->setDocName(u"试卷"_s);
    auto* preview = new QPrintPreviewDialog(printer.get(), parent);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setWindowTitle(u"打印预览"_s);
    // The connection keeps the printer and the layout while the dialog lives.
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview,
                     [printer, layout](QPrinter* target) {
                         QPainter painter;
                         if (!painter.begin(target))
                             return;
                         for (int i = 0; i < layout->pageCount(); ++i) {
                             if (i > 0)
                                 target->newPage();
                             layout->paintPage(i, painter, target->resolution());
                         }
                     });
    if (parent)
        preview->resize(parent->window()->size().expandedTo(QSize(900, 700)));
    else
        preview->resize(1000, 760);
    preview->open();
    return preview;
}

QPrintPreviewDialog* printPreviewPaper(QWidget* parent, const PaperSource& source)
{
    const std::optional<PrintChoice> choice = askPrintChoice(parent, source.sets);
    if (!choice)
        return nullptr;
    return openPaperPreview(parent, layOut(parent, *choice, source));
}

bool exportPaperPdf(QWidget* parent, const PaperSource& source)
{
    const std::optional<PrintChoice> choice = askPrintChoice(parent, source.sets);
    if (!choice)
        return false;
    const bool answers = choice->kind == PaperLayout::Kind::Answers;
    const QString base =
        paperFileBase(answers ? PaperPart::Answers : PaperPart::Paper, choice->settings.title);
    const QString fileName = askSaveFileName(parent, u"导出PDF"_s, datedFileName(base, u"pdf"_s),
                                             u"PDF文件(*.pdf);;所有文件(*.*)"_s);
    if (fileName.isEmpty())
        return false;
    const std::shared_ptr<PaperLayout> layout = layOut(parent, *choice, source);
    QString error;
    if (!layout->writePdf(fileName, &error)) {
        dialogs().message(parent, u"提示"_s, error);
        return false;
    }
    dialogs().message(parent, u"提示"_s, u"已导出PDF文件：\n%1"_s.arg(QDir::toNativeSeparators(fileName)));
    return true;
}
