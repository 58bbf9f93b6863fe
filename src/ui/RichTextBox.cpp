#include "ui/RichTextBox.h"

#include "ui/rtf/RtfReader.h"
#include "ui/rtf/RtfWriter.h"

#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocumentFragment>

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent)
{
    connect(this, &QTextEdit::textChanged, this, &RichTextBox::Change);
}

QByteArray RichTextBox::TextRTF() const
{
    return RtfWriter::write(*document());
}

void RichTextBox::setTextRTF(const QByteArray& rtf)
{
    RtfReader::read(rtf, document());
}

QString RichTextBox::Text() const
{
    return toPlainText();
}

void RichTextBox::setText(const QString& text)
{
    setPlainText(text);
}

int RichTextBox::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::setSelStart(int pos)
{
    QTextCursor c = textCursor();
    c.setPosition(pos);
    setTextCursor(c);
}

int RichTextBox::SelLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichTextBox::setSelLength(int length)
{
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString RichTextBox::SelText() const
{
    return textCursor().selectedText();
}

void RichTextBox::setSelText(const QString& text)
{
    textCursor().insertText(text);
}

QByteArray RichTextBox::SelRTF() const
{
    return RtfWriter::write(textCursor().selection());
}

void RichTextBox::setSelRTF(const QByteArray& rtf)
{
    QTextCursor c = textCursor();
    RtfReader::insert(rtf, c);
}

void RichTextBox::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

bool RichTextBox::SaveFile(const QString& fileName, QString* error) const
{
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(TextRTF()) < 0 || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}
