#include "ui/RichTextBox.h"

#include "formula/FormulaEngine.h"
#include "formula/FormulaLayout.h"
#include "formula/FormulaRenderer.h"
#include "formula/FormulaRtfReader.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "ui/Dialogs.h"
#include "ui/FormulaEditor.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QUuid>

#include <algorithm>

using namespace Qt::StringLiterals;

// Groups the document changes of one operation so that Change is raised once
// at its end: QTextEdit::textChanged may fire several times for one operation
// (replacing a document fires it for the clearing and again for the filling)
// or not at all (replacing nothing by nothing).
class RichTextBox::ChangeBatch
{
public:
    enum Mode { Always, IfChanged };
    ChangeBatch(RichTextBox& box, Mode mode) : box_(box), mode_(mode)
    {
        if (box_.batchDepth_++ == 0)
            box_.batchChanged_ = false;
    }
    ~ChangeBatch()
    {
        if (--box_.batchDepth_ == 0 && (mode_ == Always || box_.batchChanged_))
            emit box_.Change();
    }
    ChangeBatch(const ChangeBatch&) = delete;
    ChangeBatch& operator=(const ChangeBatch&) = delete;

private:
    RichTextBox& box_;
    Mode mode_;
};

namespace {

// Text handed to the box may come with Windows line ends; each of "\r\n",
// "\r" and "\n" is one paragraph break.
QString normalizedLineEnds(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text;
}

// Plain text for other programs: no picture placeholders.
QString plainTextOf(const QTextDocumentFragment& fragment)
{
    QString text = fragment.toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

void insertPicture(QTextCursor& cursor, const QImage& image)
{
    const QString name = u"picture-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(image.width());
    format.setHeight(image.height());
    cursor.insertImage(format);
}

// Reasons Qt gives when the keyboard only goes away for a while: a pop-up
// menu opens or closes (both directions are PopupFocusReason in Qt 6), the
// menu bar is used from the keyboard, or the whole window is deactivated and
// activated again. None is a move to another control: the focus comes back to
// the same box. Window activation counts as such a return too, because the
// box stays its window's focus control while a message box or another program
// is in front; were the window's focus moved meanwhile, event() below notices.
bool isExcursion(Qt::FocusReason reason)
{
    return reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason ||
           reason == Qt::ActiveWindowFocusReason;
}

} // namespace

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent)
{
    // 宋体 on Chinese Windows; elsewhere a serif CJK face that has the same
    // look, so questions show as they will print.
    QFont f = font();
    f.setFamilies({u"宋体"_s, u"SimSun"_s, u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s});
    f.setPointSizeF(10.5);
    setFont(f);
    // The windows raise their own menu on MouseUp(2); Qt's standard menu
    // would open on top of it.
    setContextMenuPolicy(Qt::PreventContextMenu);
    connect(this, &QTextEdit::textChanged, this, &RichTextBox::onTextChanged);
    installFormulaLayout(document());
}

namespace {

// Word and WPS exchange RTF on the Windows clipboard under the format named
// "Rich Text Format", which Qt does not map to text/rtf: its Windows plugin
// shows such a format under this MIME type and registers it by that name when
// a program offers it. Elsewhere it is one more type with the same bytes that
// other programs pass over, so it is offered on every platform: one code
// path, tested wherever the tests run.
const QString kWindowsRtf = u"application/x-qt-windows-mime;value=\"Rich Text Format\""_s;

} // namespace

const QStringList& RichTextBox::rtfMimeTypes()
{
    static const QStringList types{u"text/rtf"_s, kWindowsRtf, u"application/rtf"_s, u"text/richtext"_s};
    return types;
}

void RichTextBox::offerRtf(QMimeData* mime, const QByteArray& rtf)
{
    // text/rtf first: a receiver taking the first type it knows gets it.
    mime->setData(u"text/rtf"_s, rtf);
    mime->setData(kWindowsRtf, rtf);
}

std::optional<QByteArray> RichTextBox::acceptedRtf(const QMimeData* mime)
{
    for (const QString& type : rtfMimeTypes()) {
        if (!mime->hasFormat(type))
            continue;
        QByteArray rtf = mime->data(type);
        // A native clipboard block ends in a NUL and may be padded beyond it;
        // RTF itself never ends in one.
        if (type == kWindowsRtf) {
            while (rtf.endsWith('\0'))
                rtf.chop(1);
        }
        return rtf;
    }
    return std::nullopt;
}

void RichTextBox::onTextChanged()
{
    if (batchDepth_ > 0)
        batchChanged_ = true;
    else
        emit Change();
}

template <typename Fill> void RichTextBox::replaceDocument(Fill fill)
{
    ChangeBatch batch(*this, ChangeBatch::Always);
    QTextDocument* doc = document();
    // Disabling undo drops the old history; the filling records no steps, so
    // Ctrl+Z can never take the box to a half-built document.
    doc->setUndoRedoEnabled(false);
    // A shown vertical scroll bar stays while the content is replaced:
    // emptying the box would hide it and the new content show it again, and
    // each change of width lays out the whole text once more.
    const Qt::ScrollBarPolicy policy = verticalScrollBarPolicy();
    const bool pin = policy == Qt::ScrollBarAsNeeded && verticalScrollBar()->isVisible();
    if (pin)
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    {
        // One edit block around the filling: the document is laid out once,
        // at its end, and every block keeps the glyphs shaped for that layout,
        // so painting draws them instead of shaping each line again.
        QTextCursor whole(doc);
        whole.beginEditBlock();
        fill(doc);
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            b.layout()->setCacheEnabled(true);
        whole.endEditBlock();
    }
    if (pin)
        setVerticalScrollBarPolicy(policy);
    // Before the undo history starts: resetting is no step to undo.
    resetEmptyFormats();
    doc->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(doc));
}

QByteArray RichTextBox::TextRTF() const
{
    return RtfWriter::write(*document());
}

void RichTextBox::setTextRTF(const QByteArray& rtf)
{
    replaceDocument([&rtf](QTextDocument* doc) {
        if (rtf.isEmpty())
            doc->clear();
        else
            FormulaRtfReader::read(rtf, doc);
    });
}

QString RichTextBox::Text() const
{
    // One character per document position: paragraph and cell boundaries are
    // "\n", pictures U+FFFC.
    return document()->toPlainText();
}

void RichTextBox::setText(const QString& text)
{
    const QString plain = normalizedLineEnds(text);
    replaceDocument([&plain](QTextDocument* doc) { doc->setPlainText(plain); });
}

int RichTextBox::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::setSelStart(int pos)
{
    const int end = document()->characterCount() - 1;
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(pos, 0, end));
    setTextCursor(c);
}

int RichTextBox::SelLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichTextBox::setSelLength(int length)
{
    const int end = document()->characterCount() - 1;
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(std::clamp(start + std::max(length, 0), start, end), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString RichTextBox::SelText() const
{
    return Text().mid(SelStart(), SelLength());
}

void RichTextBox::setSelText(const QString& text)
{
    ChangeBatch batch(*this, ChangeBatch::Always);
    const bool wasEmpty = document()->isEmpty();
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.insertText(normalizedLineEnds(text));
    c.endEditBlock();
    setTextCursor(c);
    if (!wasEmpty)
        resetEmptyFormats();
}

QByteArray RichTextBox::SelRTF() const
{
    // Through the cursor, not a bare fragment: a fragment leaves the
    // document's picture resources behind.
    return RtfWriter::write(textCursor());
}

void RichTextBox::setSelRTF(const QByteArray& rtf)
{
    ChangeBatch batch(*this, ChangeBatch::Always);
    const bool wasEmpty = document()->isEmpty();
    QTextCursor c = textCursor();
    c.beginEditBlock();
    if (rtf.isEmpty())
        c.removeSelectedText();
    else
        FormulaRtfReader::insert(rtf, c);
    c.endEditBlock();
    setTextCursor(c);
    if (!wasEmpty)
        resetEmptyFormats();
}

void RichTextBox::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

bool RichTextBox::SaveFile(const QString& fileName, QString* error) const
{
    QSaveFile f(fileName);
    const QByteArray rtf = TextRTF();
    const bool ok = f.open(QIODevice::WriteOnly) && f.write(rtf) == rtf.size() && f.commit();
    if (!ok && error)
        *error = u"无法保存文件“%1”：%2"_s.arg(QDir::toNativeSeparators(fileName), f.errorString());
    return ok;
}

QMimeData* RichTextBox::createMimeDataFromSelection() const
{
    const QTextDocumentFragment fragment = textCursor().selection();
    auto* mime = new QMimeData;
    offerRtf(mime, SelRTF());
    mime->setHtml(fragment.toHtml());
    mime->setText(plainTextOf(fragment));
    return mime;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData* source) const
{
    if (!source)
        return false;
    if (acceptRichText()) {
        for (const QString& type : rtfMimeTypes()) {
            if (source->hasFormat(type))
                return true;
        }
        if (source->hasImage())
            return true;
    }
    return QTextEdit::canInsertFromMimeData(source);
}

void RichTextBox::insertFromMimeData(const QMimeData* source)
{
    if (!source || isReadOnly())
        return;
    ChangeBatch batch(*this, ChangeBatch::IfChanged);
    const bool wasEmpty = document()->isEmpty();
    QTextCursor c = textCursor();
    c.beginEditBlock();
    bool done = false;
    if (acceptRichText()) {
        if (const std::optional<QByteArray> rtf = acceptedRtf(source)) {
            FormulaRtfReader::insert(*rtf, c);
            done = true;
        }
        if (!done && source->hasHtml()) {
            c.insertFragment(QTextDocumentFragment::fromHtml(source->html(), document()));
            done = true;
        }
        if (!done && source->hasImage()) {
            const QImage image = qvariant_cast<QImage>(source->imageData());
            if (!image.isNull()) {
                insertPicture(c, image);
                done = true;
            }
        }
    }
    if (!done && source->hasText())
        c.insertText(normalizedLineEnds(source->text()));
    c.endEditBlock();
    setTextCursor(c);
    if (!wasEmpty)
        resetEmptyFormats();
    ensureCursorVisible();
}

void RichTextBox::resetEmptyFormats()
{
    QTextDocument* doc = document();
    if (!doc->isEmpty())
        return;
    // Typing at the start of an empty paragraph takes the paragraph mark's
    // format. RTF gives the mark of a paragraph written without sizes 12 pt,
    // and deleting text leaves the mark as it was: one paper would then mix
    // 12 pt with the 10.5 pt typed elsewhere.
    QTextCursor c(doc);
    const bool markPlain = c.blockCharFormat().properties().isEmpty();
    const bool caretPlain = textCursor().charFormat().properties().isEmpty();
    if (markPlain && caretPlain)
        return;
    // Part of the edit that emptied the box: one undo step with it.
    c.joinPreviousEditBlock();
    c.setBlockCharFormat(QTextCharFormat());
    c.endEditBlock();
    // The caret's own format too, without moving it (an input method may be
    // composing there).
    setCurrentCharFormat(QTextCharFormat());
}

template <typename Type> void RichTextBox::typeOverEverything(const QString& text, Type type)
{
    ChangeBatch batch(*this, ChangeBatch::IfChanged);
    QTextCursor c = textCursor();
    const bool everything = !isReadOnly() && !text.isEmpty() && c.hasSelection() && c.selectionStart() == 0 &&
                            c.selectionEnd() == document()->characterCount() - 1;
    if (!everything) {
        // Only a box this key empties: in one that was empty already, a
        // format chosen for what comes next (bold, a size) must stay.
        const bool wasEmpty = document()->isEmpty();
        type();
        if (!wasEmpty)
            resetEmptyFormats();
        return;
    }
    // One undo step: the content going and the text coming.
    c.beginEditBlock();
    c.removeSelectedText();
    c.setBlockCharFormat(QTextCharFormat());
    c.setCharFormat(QTextCharFormat());
    setTextCursor(c);
    type();
    c.endEditBlock();
}

FormulaEditor* RichTextBox::formulaEditor() const
{
    return formulaEditor_.data();
}

bool RichTextBox::canInsertFormula() const
{
    return !isReadOnly() && acceptRichText();
}

void RichTextBox::insertFormula()
{
    if (canInsertFormula())
        openFormulaEditor(textCursor(), QString());
}

bool RichTextBox::editSelectedFormula()
{
    const QTextCursor c = textCursor();
    if (!canInsertFormula() || c.selectionEnd() - c.selectionStart() != 1)
        return false;
    // The format of a character is the cursor's just after it.
    QTextCursor after(document());
    after.setPosition(c.selectionEnd());
    const QTextCharFormat f = after.charFormat();
    if (!isFormula(f) && !isUnconvertedEquation(f))
        return false;
    openFormulaEditor(c, editableFormulaSource(f), unconvertedConstruct(f));
    return true;
}

bool RichTextBox::selectFormulaAt(const QPoint& viewportPos)
{
    const QPointF docPos =
        QPointF(viewportPos) + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int pos = document()->documentLayout()->hitTest(docPos, Qt::ExactHit);
    if (pos < 0)
        return false;
    // An exact hit on an object gives its position or the one after it.
    for (int candidate : {pos, pos + 1}) {
        if (candidate < 1 || candidate >= document()->characterCount())
            continue;
        QTextCursor c(document());
        c.setPosition(candidate);
        if (!isFormula(c.charFormat()) && !isUnconvertedEquation(c.charFormat()))
            continue;
        c.setPosition(candidate - 1, QTextCursor::KeepAnchor);
        setTextCursor(c);
        return true;
    }
    return false;
}

void RichTextBox::openFormulaEditor(const QTextCursor& target, const QString& source,
                                    const QString& unconverted)
{
    if (formulaEditor_)
        return;
    // The engine loads on the first formula asked for; without it the rest
    // of the box works as ever.
    QString error;
    if (!FormulaEngine::instance().load(&error)) {
        dialogs().message(window(), u"公式"_s, error, Dialogs::Icon::Warning);
        return;
    }
    // The size of the text before the formula, or the box's.
    QTextCursor before(document());
    before.setPosition(target.selectionStart());
    qreal pointSize = before.charFormat().fontPointSize();
    if (pointSize <= 0)
        pointSize = document()->defaultFont().pointSizeF();
    if (pointSize <= 0)
        pointSize = font().pointSizeF();

    auto* editor = new FormulaEditor(pointSize, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->setWindowModality(Qt::WindowModal);
    if (!unconverted.isEmpty())
        editor->setUnconverted(source, unconverted);
    else if (!source.isEmpty())
        editor->setSource(source);
    formulaEditor_ = editor;
    connect(editor, &QDialog::accepted, this, [this, editor, target] {
        const Formula& formula = editor->formula();
        if (!formula.ok())
            return;
        ChangeBatch batch(*this, ChangeBatch::Always);
        QTextCursor c = target;
        c.beginEditBlock();
        c.insertImage(formulaImageFormat(formula, document()));
        c.endEditBlock();
        setTextCursor(c);
        SetFocus();
    });
    editor->open();
}

void RichTextBox::resizeSelectedFormulas(qreal pointSize)
{
    const QTextCursor selection = textCursor();
    std::vector<int> positions;
    for (QTextBlock b = document()->findBlock(selection.selectionStart());
         b.isValid() && b.position() < selection.selectionEnd(); b = b.next()) {
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!isFormula(fragment.charFormat()))
                continue;
            for (int i = 0; i < fragment.length(); ++i) {
                const int pos = fragment.position() + i;
                if (pos >= selection.selectionStart() && pos < selection.selectionEnd())
                    positions.push_back(pos);
            }
        }
    }
    if (positions.empty() || !FormulaEngine::instance().load())
        return;
    ChangeBatch batch(*this, ChangeBatch::Always);
    const FormulaRenderer renderer;
    QTextCursor c(document());
    c.beginEditBlock();
    for (const int pos : positions) {
        c.setPosition(pos);
        c.setPosition(pos + 1, QTextCursor::KeepAnchor);
        const Formula formula = renderer.render(formulaSource(c.charFormat()), pointSize);
        if (!formula.ok())
            continue;
        // The picture, its size and depth anew; what else the character
        // had (a colour, an underline) stays.
        QTextCharFormat resized = c.charFormat();
        resized.merge(formulaImageFormat(formula, document()));
        // Our formula now: the equation object it was read from is gone.
        for (const int property : {rtf::ObjectData, rtf::ObjectControls, rtf::ObjectClass})
            resized.clearProperty(property);
        resized.setFontPointSize(pointSize);
        c.setCharFormat(resized);
    }
    c.endEditBlock();
}

void RichTextBox::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_M && mods == Qt::ControlModifier && canInsertFormula()) {
        insertFormula();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == Qt::NoModifier &&
        editSelectedFormula()) {
        event->accept();
        return;
    }
    // Only keys that type a character; shortcuts and moves pass as they are.
    const bool types = !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
                       !event->text().isEmpty() && event->text().front().isPrint();
    typeOverEverything(types ? event->text() : QString(), [this, event] { QTextEdit::keyPressEvent(event); });
}

void RichTextBox::inputMethodEvent(QInputMethodEvent* event)
{
    // An input method hands over Chinese text as its commit string.
    typeOverEverything(event->commitString(), [this, event] { QTextEdit::inputMethodEvent(event); });
}

void RichTextBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTextEdit::mouseDoubleClickEvent(event);
    emit DblClick();
}

void RichTextBox::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    switch (event->button()) {
    case Qt::LeftButton:
        emit MouseUp(1);
        break;
    case Qt::RightButton:
        emit MouseUp(2);
        break;
    case Qt::MiddleButton:
        emit MouseUp(4);
        break;
    default:
        break;
    }
}

void RichTextBox::focusInEvent(QFocusEvent* event)
{
    QTextEdit::focusInEvent(event);
    // A return from an excursion finds holdsFocus_ still set; an excursion
    // reason without it (the first focus of a newly activated window) is an
    // arrival like any other.
    if (holdsFocus_ && isExcursion(event->reason()))
        return;
    holdsFocus_ = true;
    emit GotFocus();
}

void RichTextBox::focusOutEvent(QFocusEvent* event)
{
    QTextEdit::focusOutEvent(event);
    if (!isExcursion(event->reason()))
        releaseFocus();
}

bool RichTextBox::event(QEvent* event)
{
    // SetFocus on another control of an inactive window sends no focus
    // events; that control only gets the focus when the window is activated
    // again, and this box must lose it then. WindowActivate reaches every
    // child before the focus is handed out.
    if (event->type() == QEvent::WindowActivate && holdsFocus_ && window()->focusWidget() != this)
        releaseFocus();
    return QTextEdit::event(event);
}

void RichTextBox::releaseFocus()
{
    if (!holdsFocus_)
        return;
    holdsFocus_ = false;
    emit LostFocus();
}
