#include "compose/PaperFiles.h"

#include "compose/PaperComposer.h"
#include "compose/PaperLayout.h"
#include "ui/Dialogs.h"

using namespace Qt::StringLiterals;

QString paperFileFilter()
{
    return u"WORD Files (*.doc);;RTF Files (*.rtf);;Text Files (*.txt);;All files (*.*)"_s;
}

bool savePaperDocument(QWidget* parent, const QTextDocument& doc)
{
    const QString fileName = dialogs().saveFileName(parent, u"另存为"_s, QString(), paperFileFilter());
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
