#pragma once

#include <QWidget>

class QAction;
class QActionGroup;
class QComboBox;
class QFontComboBox;
class QTextCharFormat;
class QToolBar;
class QToolButton;
class RichTextBox;

// A rich-text document with a formatting toolbar: bold, italic, underline,
// superscript, subscript, font, size, colour, alignment, undo and redo, and
// pictures from PNG or JPEG files. Pasting rich text and pictures from other
// programs and cutting as RTF come with the RichTextBox inside.
//
// Formatting applies to the selection, or without one to what is typed next.
// The toolbar's actions carry object names (bold, italic, underline,
// superscript, subscript, alignLeft, alignCenter, alignRight, alignJustify,
// undo, redo, insertPicture, insertFormula, colour) so that other editors can
// add their own.
//
// 插入公式 (or Ctrl+M) opens the formula editor at the caret; double-clicking
// a formula opens it on that formula's source.
class RichTextEditor : public QWidget
{
    Q_OBJECT
public:
    explicit RichTextEditor(QWidget* parent = nullptr);

    RichTextBox* box() const { return box_; }
    QToolBar* toolBar() const { return toolBar_; }
    QAction* action(const QString& name) const;
    QFontComboBox* fontBox() const { return fontBox_; }
    QComboBox* sizeBox() const { return sizeBox_; }

    // The colours the colour button offers, in menu order.
    static QList<QColor> colours();

    // Asks for a PNG or JPEG file through the program's dialogs and inserts
    // the picture at the caret.
    void insertPictureFromFile();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addToggle(const QString& name, const QString& text, const QString& tip);
    void mergeFormat(const QTextCharFormat& format);
    void setVerticalAlignment(QAction* toggled, int alignment);
    void showFormatOfCaret();

    RichTextBox* box_;
    QToolBar* toolBar_;
    QFontComboBox* fontBox_;
    QComboBox* sizeBox_;
    QActionGroup* alignment_;
};
