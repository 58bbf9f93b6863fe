#include "ui/rtf/RtfWriter.h"

#include <QTextDocument>
#include <QTextDocumentFragment>

QByteArray RtfWriter::write(const QTextDocument&)
{
    return QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg936}");
}

QByteArray RtfWriter::write(const QTextDocumentFragment&)
{
    return QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg936}");
}
