#include "ui/RichTextEditor.h"

#include "ui/Dialogs.h"
#include "ui/RichTextBox.h"
#include "ui/TypedComboBox.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>
#include <QUuid>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A picture wider than this shows scaled down to it; the picture itself is
// kept whole, so it prints sharp.
constexpr int kMaxPictureWidth = 560;

QIcon colourIcon(const QColor& c)
{
    QPixmap p(16, 16);
    p.fill(c);
    return QIcon(p);
}

} // namespace

RichTextEditor::RichTextEditor(QWidget* parent)
    : QWidget(parent), box_(new RichTextBox(this)), toolBar_(new QToolBar(this)),
      fontBox_(new QFontComboBox(this)), sizeBox_(new QComboBox(this)), alignment_(new QActionGroup(this))
{
    box_->setObjectName(u"document"_s);
    box_->setAccessibleName(u"文档"_s);
    toolBar_->setObjectName(u"formatBar"_s);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar_->setIconSize(QSize(16, 16));

    QAction* bold = addToggle(u"bold"_s, u"B"_s, u"粗体"_s);
    QFont boldFont = bold->font();
    boldFont.setBold(true);
    bold->setFont(boldFont);
    bold->setShortcut(QKeySequence::Bold);
    connect(bold, &QAction::triggered, this, [this](bool on) {
        QTextCharFormat f;
        f.setFontWeight(on ? QFont::Bold : QFont::Normal);
        mergeFormat(f);
    });
    QAction* italic = addToggle(u"italic"_s, u"I"_s, u"斜体"_s);
    QFont italicFont = italic->font();
    italicFont.setItalic(true);
    italic->setFont(italicFont);
    italic->setShortcut(QKeySequence::Italic);
    connect(italic, &QAction::triggered, this, [this](bool on) {
        QTextCharFormat f;
        f.setFontItalic(on);
        mergeFormat(f);
    });
    QAction* underline = addToggle(u"underline"_s, u"U"_s, u"下划线"_s);
    QFont underlineFont = underline->font();
    underlineFont.setUnderline(true);
    underline->setFont(underlineFont);
    underline->setShortcut(QKeySequence::Underline);
    connect(underline, &QAction::triggered, this, [this](bool on) {
        QTextCharFormat f;
        f.setFontUnderline(on);
        mergeFormat(f);
    });
    QAction* superscript = addToggle(u"superscript"_s, u"x²"_s, u"上标"_s);
    connect(superscript, &QAction::triggered, this,
            [this, superscript] { setVerticalAlignment(superscript, QTextCharFormat::AlignSuperScript); });
    QAction* subscript = addToggle(u"subscript"_s, u"x₂"_s, u"下标"_s);
    connect(subscript, &QAction::triggered, this,
            [this, subscript] { setVerticalAlignment(subscript, QTextCharFormat::AlignSubScript); });
    toolBar_->addSeparator();

    // The one editable list that keeps Qt's completion: it chooses among the
    // installed faces, and a face named by part of its name is still that
    // face; the text typed is never stored.
    fontBox_->setObjectName(u"fontFamily"_s);
    fontBox_->setAccessibleName(u"字体"_s);
    fontBox_->setToolTip(u"字体"_s);
    fontBox_->setMaximumWidth(130);
    toolBar_->addWidget(fontBox_);
    connect(fontBox_, &QFontComboBox::textActivated, this, [this](const QString& family) {
        QTextCharFormat f;
        f.setFontFamilies({family});
        mergeFormat(f);
    });
    sizeBox_->setObjectName(u"fontSize"_s);
    sizeBox_->setAccessibleName(u"字号"_s);
    sizeBox_->setToolTip(u"字号（磅）"_s);
    // "1" typed on the way to "14" must not become "10.5" or "12".
    makeEditableAsTyped(sizeBox_);
    for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        sizeBox_->addItem(QString::number(size));
    sizeBox_->setMinimumContentsLength(3);
    toolBar_->addWidget(sizeBox_);
    const auto applySize = [this](const QString& text) {
        bool ok = false;
        const double size = text.toDouble(&ok);
        if (!ok || size <= 0 || size > 400)
            return;
        QTextCharFormat f;
        f.setFontPointSize(size);
        mergeFormat(f);
    };
    // A size picked from the list.
    connect(sizeBox_, &QComboBox::textActivated, this, applySize);
    // A size typed and Enter: the combo box itself activates only a listed
    // size other than its current item, so a size not in the list, or the
    // one it shows already, would do nothing and keep the focus.
    connect(sizeBox_->lineEdit(), &QLineEdit::returnPressed, this, [this, applySize] {
        const QString text = sizeBox_->currentText().trimmed();
        if (const int listed = sizeBox_->findText(text); listed >= 0) {
            // Its current item from now on, so that its own handling of
            // Enter, which follows, does not apply the size a second time.
            const QSignalBlocker quiet(sizeBox_);
            sizeBox_->setCurrentIndex(listed);
        }
        applySize(text);
    });

    auto* colourMenu = new QMenu(this);
    colourMenu->setObjectName(u"colourMenu"_s);
    const QStringList colourNames{u"黑色"_s, u"红色"_s, u"蓝色"_s, u"绿色"_s,
                                  u"橙色"_s, u"紫色"_s, u"灰色"_s};
    const QList<QColor> palette = colours();
    for (qsizetype i = 0; i < palette.size(); ++i) {
        QAction* a = colourMenu->addAction(colourIcon(palette[i]), colourNames.value(i));
        connect(a, &QAction::triggered, this, [this, c = palette[i]] {
            QTextCharFormat f;
            f.setForeground(c);
            mergeFormat(f);
        });
    }
    QAction* colour = toolBar_->addAction(u"颜色"_s);
    colour->setObjectName(u"colour"_s);
    colour->setToolTip(u"文字颜色"_s);
    colour->setMenu(colourMenu);
    if (auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(colour)))
        button->setPopupMode(QToolButton::InstantPopup);
    toolBar_->addSeparator();

    const std::tuple<const char*, QString, QString, Qt::Alignment> aligns[] = {
        {"alignLeft", u"左"_s, u"左对齐"_s, Qt::AlignLeft | Qt::AlignAbsolute},
        {"alignCenter", u"中"_s, u"居中"_s, Qt::AlignHCenter},
        {"alignRight", u"右"_s, u"右对齐"_s, Qt::AlignRight | Qt::AlignAbsolute},
        {"alignJustify", u"齐"_s, u"两端对齐"_s, Qt::AlignJustify},
    };
    for (const auto& [name, text, tip, align] : aligns) {
        QAction* a = addToggle(QString::fromLatin1(name), text, tip);
        alignment_->addAction(a);
        connect(a, &QAction::triggered, this, [this, align] { box_->setAlignment(align); });
    }
    toolBar_->addSeparator();

    QAction* undo = toolBar_->addAction(u"撤销"_s, box_, &QTextEdit::undo);
    undo->setObjectName(u"undo"_s);
    undo->setToolTip(u"撤销"_s);
    undo->setEnabled(false);
    connect(box_, &QTextEdit::undoAvailable, undo, &QAction::setEnabled);
    QAction* redo = toolBar_->addAction(u"重做"_s, box_, &QTextEdit::redo);
    redo->setObjectName(u"redo"_s);
    redo->setToolTip(u"重做"_s);
    redo->setEnabled(false);
    connect(box_, &QTextEdit::redoAvailable, redo, &QAction::setEnabled);
    QAction* picture = toolBar_->addAction(u"图片"_s, this, &RichTextEditor::insertPictureFromFile);
    picture->setObjectName(u"insertPicture"_s);
    picture->setToolTip(u"插入图片（PNG 或 JPEG 文件）"_s);
    QAction* formula = toolBar_->addAction(u"插入公式"_s, box_, &RichTextBox::insertFormula);
    formula->setObjectName(u"insertFormula"_s);
    formula->setToolTip(u"插入公式（Ctrl+M）；双击公式可再编辑"_s);

    // Toolbar buttons keep the focus in the document: the window around the
    // editor may act on the document losing it.
    for (QAction* a : toolBar_->actions()) {
        if (QWidget* w = toolBar_->widgetForAction(a); w && qobject_cast<QToolButton*>(w))
            w->setFocusPolicy(Qt::NoFocus);
    }

    // In a narrow window the buttons that do not fit go behind this one.
    if (auto* more = toolBar_->findChild<QToolButton*>(u"qt_toolbar_ext_button"_s))
        more->setAccessibleName(u"更多格式"_s);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(box_, 1);
    setFocusProxy(box_);
    box_->viewport()->installEventFilter(this);

    connect(box_, &QTextEdit::currentCharFormatChanged, this, &RichTextEditor::showFormatOfCaret);
    connect(box_, &QTextEdit::cursorPositionChanged, this, &RichTextEditor::showFormatOfCaret);
    // Undo and redo of a paragraph format leave the caret where it was.
    connect(box_->document(), &QTextDocument::contentsChanged, this, &RichTextEditor::showFormatOfCaret);
    showFormatOfCaret();
}

bool RichTextEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == box_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && !box_->isReadOnly() &&
            box_->selectFormulaAt(mouse->position().toPoint())) {
            box_->editSelectedFormula();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QList<QColor> RichTextEditor::colours()
{
    return {Qt::black,           Qt::red, Qt::blue, QColor(0, 128, 0), QColor(255, 128, 0),
            QColor(128, 0, 128), Qt::gray};
}

QAction* RichTextEditor::action(const QString& name) const
{
    for (QAction* a : toolBar_->actions()) {
        if (a->objectName() == name)
            return a;
    }
    return nullptr;
}

QAction* RichTextEditor::addToggle(const QString& name, const QString& text, const QString& tip)
{
    QAction* a = toolBar_->addAction(text);
    a->setObjectName(name);
    a->setToolTip(tip);
    a->setCheckable(true);
    return a;
}

void RichTextEditor::mergeFormat(const QTextCharFormat& format)
{
    // With a selection it changes; without one what is typed next. Formulas
    // in the selection take a new size with the text: one step to undo.
    QTextCursor step(box_->document());
    step.beginEditBlock();
    box_->mergeCurrentCharFormat(format);
    if (format.hasProperty(QTextFormat::FontPointSize))
        box_->resizeSelectedFormulas(format.fontPointSize());
    step.endEditBlock();
    box_->setFocus(Qt::OtherFocusReason);
}

void RichTextEditor::setVerticalAlignment(QAction* toggled, int alignment)
{
    QTextCharFormat f;
    f.setVerticalAlignment(toggled->isChecked() ? QTextCharFormat::VerticalAlignment(alignment)
                                                : QTextCharFormat::AlignNormal);
    mergeFormat(f);
    showFormatOfCaret();
}

void RichTextEditor::showFormatOfCaret()
{
    const QTextCharFormat f = box_->currentCharFormat();
    action(u"bold"_s)->setChecked(f.fontWeight() >= QFont::Bold);
    action(u"italic"_s)->setChecked(f.fontItalic());
    action(u"underline"_s)->setChecked(f.fontUnderline());
    action(u"superscript"_s)->setChecked(f.verticalAlignment() == QTextCharFormat::AlignSuperScript);
    action(u"subscript"_s)->setChecked(f.verticalAlignment() == QTextCharFormat::AlignSubScript);
    const QStringList families = f.fontFamilies().toStringList();
    const QString family = families.isEmpty() ? box_->font().family() : families.first();
    fontBox_->setCurrentFont(QFont(family));
    fontBox_->setEditText(family);
    const double size = f.fontPointSize() > 0 ? f.fontPointSize() : box_->font().pointSizeF();
    sizeBox_->setEditText(QString::number(size));
    const Qt::Alignment a = box_->alignment();
    const char* name = a & Qt::AlignHCenter   ? "alignCenter"
                       : a & Qt::AlignRight   ? "alignRight"
                       : a & Qt::AlignJustify ? "alignJustify"
                                              : "alignLeft";
    action(QString::fromLatin1(name))->setChecked(true);
}

void RichTextEditor::insertPictureFromFile()
{
    const QString path =
        dialogs().openFileName(this, u"插入图片"_s, u"图片 (*.png *.jpg *.jpeg);;所有文件 (*)"_s);
    if (path.isEmpty())
        return;
    // The file's own bytes go into the document, so a JPEG photo stays a
    // JPEG in the stored RTF instead of growing into a PNG.
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const bool known = bytes.startsWith("\x89PNG") || bytes.startsWith("\xFF\xD8\xFF");
    const QImage image = known ? QImage::fromData(bytes) : QImage();
    if (image.isNull()) {
        dialogs().message(
            this, u"提示"_s,
            u"无法插入图片“%1”：只能插入 PNG 或 JPEG 图片。"_s.arg(QDir::toNativeSeparators(path)));
        return;
    }
    // Named like the pictures a paste brings, so the RTF writer finds it.
    const QString name = u"picture-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    box_->document()->addResource(QTextDocument::ImageResource, QUrl(name), bytes);
    QTextImageFormat f;
    f.setName(name);
    const double scale = image.width() > kMaxPictureWidth ? double(kMaxPictureWidth) / image.width() : 1.0;
    f.setWidth(image.width() * scale);
    f.setHeight(image.height() * scale);
    QTextCursor c = box_->textCursor();
    c.insertImage(f);
    box_->setTextCursor(c);
    box_->setFocus(Qt::OtherFocusReason);
}
