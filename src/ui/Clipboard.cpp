#include "ui/Clipboard.h"

#include "rtf/RtfReader.h"
#include "ui/RichTextBox.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextDocument>

namespace Clipboard {

void Clear()
{
    QApplication::clipboard()->clear();
}

void SetText(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QString plain = doc.toPlainText();
    plain.remove(QChar::ObjectReplacementCharacter);

    // RTF first: a receiver that takes the first format it knows takes RTF.
    auto* mime = new QMimeData;
    RichTextBox::offerRtf(mime, rtf);
    mime->setText(plain);
    QApplication::clipboard()->setMimeData(mime);
}

QByteArray GetText()
{
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime)
        return {};
    return RichTextBox::acceptedRtf(mime).value_or(QByteArray());
}

} // namespace Clipboard
