#pragma once

#include <QTextEdit>

// The rich-text box: a QTextEdit with the operations and events the windows
// use. The document travels as whole RTF documents (TextRTF, SelRTF).
class RichTextBox : public QTextEdit
{
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    QByteArray TextRTF() const;
    void setTextRTF(const QByteArray& rtf);
    QString Text() const;
    void setText(const QString& text);
    int SelStart() const;
    void setSelStart(int pos);
    int SelLength() const;
    void setSelLength(int length);
    QString SelText() const;
    void setSelText(const QString& text);
    QByteArray SelRTF() const;
    void setSelRTF(const QByteArray& rtf);
    void SetFocus();
    // Writes the whole document as RTF under exactly `fileName`; false (with
    // the reason in `error`) when the file cannot be written.
    bool SaveFile(const QString& fileName, QString* error = nullptr) const;

signals:
    void Change();
    void DblClick();
    void GotFocus();
    void MouseUp(int button);
};
