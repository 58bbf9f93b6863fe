#include "ui/Clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace Clipboard {

void Clear()
{
    QApplication::clipboard()->clear();
}

void SetText(const QByteArray& rtf)
{
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("text/rtf"), rtf);
    QApplication::clipboard()->setMimeData(mime);
}

QByteArray GetText()
{
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime)
        return {};
    for (const char* type : {"text/rtf", "application/rtf", "text/richtext"}) {
        const QString t = QString::fromLatin1(type);
        if (mime->hasFormat(t))
            return mime->data(t);
    }
    return {};
}

} // namespace Clipboard
