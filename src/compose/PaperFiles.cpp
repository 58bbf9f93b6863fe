#include "compose/PaperFiles.h"

#include "compose/PaperComposer.h"
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
    if (!saveDocumentAsRtf(doc, fileName, &error)) {
        dialogs().message(parent, u"提示"_s, error);
        return false;
    }
    return true;
}
