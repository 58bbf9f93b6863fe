#include "compose/PaperFiles.h"

#include "compose/PaperComposer.h"
#include "compose/PaperLayout.h"
#include "ui/Dialogs.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

QString paperFileFilter()
{
    return u"WORD Files (*.doc);;RTF Files (*.rtf);;Text Files (*.txt);;All files (*.*)"_s;
}

QString paperFileBase(PaperPart part, const QStringList& titleLines)
{
    // A line with blanks (____学校) is a form to fill in, not a title.
    static const QRegularExpression blanks(u"[_＿]{2,}"_s);
    static const QRegularExpression notInNames(u"[\\\\/:*?\"<>|\\x00-\\x1f]"_s);
    QString title;
    for (const QString& line : titleLines) {
        if (!line.contains(blanks))
            title += QString(line).remove(notInNames).simplified();
    }
    if (title.isEmpty())
        return part == PaperPart::Answers ? u"答案"_s : u"试卷"_s;
    return part == PaperPart::Answers ? title + u"答案"_s : title;
}

bool savePaperDocument(QWidget* parent, const QTextDocument& doc, PaperPart part)
{
    const QString fileName =
        askSaveFileName(parent, u"另存为"_s, datedFileName(paperFileBase(part), u"rtf"_s), paperFileFilter());
    if (fileName.isEmpty())
        return false;
    QString error;
    // On the sheet chosen last in 版式, as it would be printed.
    if (!saveDocumentAsRtf(doc, fileName, &error, paperRtfPage(rememberedPaperSettings().format))) {
        dialogs().message(parent, u"提示"_s, error);
        return false;
    }
    return true;
}
