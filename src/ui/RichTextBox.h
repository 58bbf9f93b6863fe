#pragma once

#include <QPointer>
#include <QTextEdit>

#include <optional>

class FormulaEditor;
class QMimeData;

// The rich-text box: a QTextEdit with the operations and events the windows
// use. The document travels as whole RTF documents (TextRTF, SelRTF).
//
// Positions (SelStart, SelLength) count characters of Text(): every paragraph
// or table-cell boundary counts one, a picture counts one (U+FFFC), so
// "SelStart 0, SelLength Text().length()" selects everything.
//
// Change is raised exactly once by each content setter (TextRTF, Text,
// SelText, SelRTF) and once for each edit the user makes (typing, cut, paste,
// undo). Setting the whole content (TextRTF, Text) starts a new undo history,
// as loading a document does; SelText and SelRTF are one undo step each.
//
// Cut, copy and drag put the selection on the clipboard as RTF (text/rtf, and
// the Windows clipboard format Word and WPS use) besides HTML and plain text;
// paste and drop take RTF first, then HTML, then a picture, then plain text.
//
// GotFocus and LostFocus mark moves of the focus between the program's
// controls: a click, Tab or Backtab, SetFocus. A pop-up menu, the menu bar or
// another window (a message box, another program) taking the keyboard for a
// while and giving it back to the same box raises neither, so a window that
// selects everything on GotFocus keeps the selection its right-button menu is
// about to act on.
//
// Typed text starts from the body format (宋体, 10.5 pt, the box's default
// font) wherever nothing else precedes it: in a box that an operation or an
// edit left empty, and when typing replaces the whole content (an instruction
// text selected on entering the box, say). Otherwise it takes the format of
// the text where it goes, as in any word processor.
//
// Formulas: Ctrl+M in an editable box opens the formula editor and inserts
// the formula at the caret; Enter with only a formula selected opens the
// editor on its source and replaces it. A formula sits on the baseline of
// its line (FormulaLayout).
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
    // Moves the caret to `pos` (clamped to the text) and empties the selection.
    void setSelStart(int pos);
    int SelLength() const;
    // Selects `length` characters from SelStart (clamped to the text).
    void setSelLength(int length);
    QString SelText() const;
    void setSelText(const QString& text);
    QByteArray SelRTF() const;
    void setSelRTF(const QByteArray& rtf);
    void SetFocus();
    // Writes the whole document as RTF under exactly `fileName`; false (with
    // the reason in `error`) when the file cannot be written. An existing file
    // is replaced only by a complete new one.
    bool SaveFile(const QString& fileName, QString* error = nullptr) const;

    // 插入公式: opens the formula editor (window-modal, not blocking) for a
    // formula at the caret, typeset at the caret's font size. Without a
    // formula engine it says why instead. Nothing happens in a read-only box.
    void insertFormula();
    // Opens the formula editor on the formula that is the whole selection;
    // false when the selection is not exactly one formula.
    bool editSelectedFormula();
    // Selects the formula under `viewportPos`; false when there is none.
    bool selectFormulaAt(const QPoint& viewportPos);
    // The formula editor while it is open.
    FormulaEditor* formulaEditor() const;
    // Typesets the formulas of the selection again at `pointSize`, as the
    // text around them changes to that size (one undo step with that
    // change when made inside its edit block). Without an engine they keep
    // their size.
    void resizeSelectedFormulas(qreal pointSize);

    // The RTF MIME types a paste accepts, in order of preference.
    static const QStringList& rtfMimeTypes();
    // Puts `rtf` into `mime` under each RTF type other programs read.
    static void offerRtf(QMimeData* mime, const QByteArray& rtf);
    // The RTF `mime` carries under the most preferred type; nullopt when it
    // carries none.
    static std::optional<QByteArray> acceptedRtf(const QMimeData* mime);

signals:
    void Change();
    void DblClick();
    void GotFocus();
    void LostFocus();
    // `button` as the windows number it: 1 left, 2 right, 4 middle.
    void MouseUp(int button);

protected:
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    class ChangeBatch;
    void onTextChanged();
    // Replaces the document without recording undo steps, then starts a new
    // undo history with the caret at the start.
    template <typename Fill> void replaceDocument(Fill fill);

    // Typing `text` over a selection of the whole content: the content goes
    // first, so the text takes the body format, not that of what it replaces.
    template <typename Type> void typeOverEverything(const QString& text, Type type);
    // An empty box types in the body format again: its paragraph keeps no
    // format of what was deleted or of the RTF it was read from.
    void resetEmptyFormats();

    void releaseFocus();
    bool canInsertFormula() const;
    // `unconverted`: the construct an equation object opened here could not be converted at.
    void openFormulaEditor(const QTextCursor& target, const QString& source, const QString& unconverted = {});

    int batchDepth_ = 0;        // > 0 while an operation groups its changes
    bool batchChanged_ = false; // the document changed inside the batch
    // Between GotFocus and LostFocus. Stays set while a pop-up menu, the menu
    // bar or another window holds the keyboard on the box's behalf.
    bool holdsFocus_ = false;
    QPointer<FormulaEditor> formulaEditor_;
};
