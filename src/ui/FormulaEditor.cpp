#include "ui/FormulaEditor.h"

#include "formula/FormulaTemplates.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The preview shows the formula larger than the text it goes into.
constexpr qreal kPreviewScale = 2.0;
constexpr int kPaletteColumns = 10;

} // namespace

FormulaEditor::FormulaEditor(qreal pointSize, QWidget* parent)
    : QDialog(parent), pointSize_(pointSize > 0 ? pointSize : 10.5), source_(new QLineEdit(this)),
      preview_(new QLabel(this)), error_(new QLabel(this)), insert_(new QPushButton(u"插入"_s, this)),
      palette_(new QTabWidget(this))
{
    setObjectName(u"FormulaEditor"_s);
    setWindowTitle(u"公式编辑器"_s);

    auto* sourceLabel = new QLabel(u"LaTeX 公式(&L)："_s, this);
    sourceLabel->setBuddy(source_);
    source_->setObjectName(u"source"_s);
    source_->setAccessibleName(u"LaTeX 公式"_s);
    // No maximum length here: a longer paste is refused by the engine with a
    // message instead of being cut without one.
    source_->setMaxLength(1 << 20);
    source_->setPlaceholderText(u"例如 \\frac{1}{2}x^2+\\sqrt{3}"_s);
    QFont mono = source_->font();
    mono.setFamilies({u"DejaVu Sans Mono"_s, u"Consolas"_s, u"Courier New"_s, u"monospace"_s});
    source_->setFont(mono);

    palette_->setObjectName(u"palette"_s);
    palette_->setAccessibleName(u"公式模板"_s);
    for (const FormulaTemplateGroup& group : formulaTemplateGroups()) {
        auto* page = new QWidget;
        auto* grid = new QGridLayout(page);
        grid->setContentsMargins(4, 4, 4, 4);
        grid->setSpacing(2);
        int i = 0;
        for (const FormulaTemplate& entry : group.templates) {
            auto* b = new QToolButton(page);
            b->setText(entry.label);
            b->setToolTip(u"%1：%2"_s.arg(entry.tip, entry.latex));
            b->setAccessibleName(entry.tip);
            b->setFocusPolicy(Qt::NoFocus);
            b->setMinimumWidth(34);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            connect(b, &QToolButton::clicked, this, [this, entry] { insertTemplate(entry); });
            grid->addWidget(b, i / kPaletteColumns, i % kPaletteColumns);
            ++i;
        }
        grid->setRowStretch(grid->rowCount(), 1);
        palette_->addTab(page, group.name);
    }

    preview_->setObjectName(u"preview"_s);
    preview_->setAccessibleName(u"预览"_s);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setMinimumSize(480, 110);
    preview_->setAutoFillBackground(true);
    QPalette white = preview_->palette();
    white.setColor(QPalette::Window, Qt::white);
    preview_->setPalette(white);
    preview_->setFrameShape(QFrame::StyledPanel);

    error_->setObjectName(u"error"_s);
    error_->setWordWrap(true);
    error_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette red = error_->palette();
    red.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
    error_->setPalette(red);

    insert_->setObjectName(u"insert"_s);
    insert_->setDefault(true);
    auto* cancel = new QPushButton(u"取消"_s, this);
    cancel->setObjectName(u"cancel"_s);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(insert_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (formula_.ok())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sourceLabel);
    layout->addWidget(source_);
    layout->addWidget(palette_);
    layout->addWidget(new QLabel(u"预览："_s, this));
    layout->addWidget(preview_, 1);
    layout->addWidget(error_);
    layout->addWidget(buttons);

    connect(source_, &QLineEdit::textChanged, this, &FormulaEditor::updatePreview);
    // Enter in the line inserts, like the default button, but only a formula
    // that typesets.
    connect(source_, &QLineEdit::returnPressed, this, [this] {
        if (formula_.ok())
            accept();
    });
    updatePreview();
    resize(640, 420);
}

QString FormulaEditor::source() const
{
    return source_->text();
}

void FormulaEditor::setSource(const QString& latex)
{
    source_->setText(latex);
    source_->selectAll();
    // The formula given comes back changed in its place.
    insert_->setText(u"替换"_s);
}

void FormulaEditor::insertTemplate(const FormulaTemplate& entry)
{
    const int start = source_->hasSelectedText() ? source_->selectionStart() : source_->cursorPosition();
    source_->insert(entry.latex);
    source_->setCursorPosition(start + entry.caret);
    source_->setFocus(Qt::OtherFocusReason);
}

void FormulaEditor::updatePreview()
{
    const QString latex = source_->text();
    if (latex.trimmed().isEmpty()) {
        formula_ = Formula{};
        formula_.error = u"请输入公式。"_s;
        preview_->clear();
        error_->clear();
        insert_->setEnabled(false);
        return;
    }
    formula_ = renderer_.render(latex, pointSize_);
    if (!formula_.ok()) {
        // The last good picture stays, greyed out by the message under it.
        preview_->setEnabled(false);
        error_->setText(formula_.error);
        insert_->setEnabled(false);
        return;
    }
    preview_->setEnabled(true);
    // A long formula is shown smaller, whole.
    const qreal room = std::max(100, preview_->contentsRect().width() - 16);
    const qreal scale = std::min(kPreviewScale, room / std::max<qreal>(1, formula_.size.width()));
    // Drawn for the screen's pixel ratio: at 200 % a picture of the logical
    // size would be enlarged, and blurred.
    const qreal ratio = std::max<qreal>(1, preview_->devicePixelRatioF());
    QImage image = FormulaRenderer::draw(formula_, scale * ratio);
    image.setDevicePixelRatio(ratio);
    preview_->setPixmap(QPixmap::fromImage(image));
    error_->clear();
    insert_->setEnabled(true);
}
