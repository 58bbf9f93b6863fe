#include "compose/PaperSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QStringList linesOf(const QPlainTextEdit* edit)
{
    QStringList lines;
    for (const QString& line : edit->toPlainText().split(u'\n')) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines;
}

QPlainTextEdit* linesEdit(const QString& name, const QStringList& lines, int rows, QWidget* parent)
{
    auto* edit = new QPlainTextEdit(lines.join(u'\n'), parent);
    edit->setObjectName(name);
    edit->setTabChangesFocus(true);
    // A long line wraps on screen; only a line break starts a new one.
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    const int line = edit->fontMetrics().lineSpacing();
    edit->setFixedHeight(rows * line + 2 * edit->frameWidth() + 10);
    return edit;
}

QSpinBox* spinBox(const QString& name, int min, int max, int value, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(min, max);
    box->setValue(value);
    return box;
}

} // namespace

PaperSettingsDialog::PaperSettingsDialog(const PaperSettings& settings,
                                         const std::vector<PaperSection>& firstSet, QWidget* parent)
    : QDialog(parent), settings_(settings), rows_(firstSet)
{
    setObjectName(u"PaperSettingsDialog"_s);
    setWindowTitle(u"版式"_s);

    format = new QComboBox(this);
    format->setObjectName(u"format"_s);
    format->addItem(u"A4 竖放，一栏"_s, int(PaperFormat::A4));
    format->addItem(u"A3 横放，两栏"_s, int(PaperFormat::A3));
    format->addItem(u"8K 横放，两栏"_s, int(PaperFormat::K8));
    format->setCurrentIndex(format->findData(int(settings.format)));

    content = new QComboBox(this);
    content->setObjectName(u"content"_s);
    content->addItems({u"试题"_s, u"参考答案及评分标准"_s});

    title = linesEdit(u"title"_s, settings.title, 3, this);
    title->setToolTip(u"每行印一行，如学校、学期、科目"_s);
    fullMarks = spinBox(u"fullMarks"_s, 0, 10000, settings.fullMarks, this);
    fullMarks->setSpecialValueText(u"按各题分数合计"_s);
    fullMarks->setSuffix(u" 分"_s);
    minutes = spinBox(u"minutes"_s, 0, 10000, settings.minutes, this);
    minutes->setSuffix(u" 分钟"_s);
    scoreTable = new QCheckBox(u"印得分表"_s, this);
    scoreTable->setObjectName(u"scoreTable"_s);
    scoreTable->setChecked(settings.scoreTable);
    notes = linesEdit(u"notes"_s, settings.notes, 4, this);
    notes->setToolTip(u"每行一条；不填则不印注意事项"_s);

    auto* sheet = new QGroupBox(u"纸张及卷头"_s, this);
    auto* form = new QFormLayout(sheet);
    form->addRow(u"纸张(&P)："_s, format);
    form->addRow(u"印出(&C)："_s, content);
    form->addRow(u"标题(&T)："_s, title);
    auto* marks = new QHBoxLayout;
    auto* marksLabel = new QLabel(u"考试时间(&M)："_s, sheet);
    marksLabel->setBuddy(minutes);
    marks->addWidget(fullMarks, 1);
    marks->addWidget(marksLabel);
    marks->addWidget(minutes, 1);
    form->addRow(u"满分(&F)："_s, marks);
    form->addRow(QString(), scoreTable);
    form->addRow(u"注意事项(&N)："_s, notes);
    // The form's labels name the fields for assistive technology.
    for (QWidget* field :
         {static_cast<QWidget*>(format), static_cast<QWidget*>(content), static_cast<QWidget*>(title),
          static_cast<QWidget*>(fullMarks), static_cast<QWidget*>(notes)}) {
        if (auto* label = qobject_cast<QLabel*>(form->labelForField(field)))
            label->setBuddy(field);
    }
    if (auto* label = qobject_cast<QLabel*>(form->labelForField(marks)))
        label->setBuddy(fullMarks);

    auto* parts = new QGroupBox(u"题型顺序及分数"_s, this);
    sections = new QTableWidget(0, 4, parts);
    sections->setObjectName(u"sections"_s);
    sections->setAccessibleName(u"题型顺序及分数"_s);
    sections->setHorizontalHeaderLabels({u"题型"_s, u"题数"_s, u"每题分数"_s, u"小计"_s});
    sections->verticalHeader()->hide();
    sections->setSelectionBehavior(QAbstractItemView::SelectRows);
    sections->setSelectionMode(QAbstractItemView::SingleSelection);
    sections->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sections->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    up = new QPushButton(u"上移(&U)"_s, parts);
    up->setObjectName(u"up"_s);
    down = new QPushButton(u"下移(&D)"_s, parts);
    down->setObjectName(u"down"_s);
    total = new QLabel(parts);
    total->setObjectName(u"total"_s);
    answerSpace = spinBox(u"answerSpace"_s, 0, 250, qRound(settings.answerSpaceMm), parts);
    answerSpace->setSuffix(u" 毫米"_s);
    auto* spaceLabel = new QLabel(u"每道解答题后留空(&S)："_s, parts);
    spaceLabel->setBuddy(answerSpace);
    compactChoices = new QCheckBox(u"答案中选择题列成表"_s, parts);
    compactChoices->setObjectName(u"compactChoices"_s);
    compactChoices->setChecked(settings.compactChoices);

    auto* grid = new QGridLayout(parts);
    grid->addWidget(sections, 0, 0, 3, 1);
    grid->addWidget(up, 0, 1);
    grid->addWidget(down, 1, 1);
    grid->addWidget(total, 3, 0, 1, 2);
    auto* space = new QHBoxLayout;
    space->addWidget(spaceLabel);
    space->addWidget(answerSpace);
    space->addStretch();
    grid->addLayout(space, 4, 0, 1, 2);
    grid->addWidget(compactChoices, 5, 0, 1, 2);
    grid->setRowStretch(2, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"确定"_s);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(u"ok"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"取消"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sheet);
    layout->addWidget(parts, 1);
    layout->addWidget(buttons);

    connect(up, &QPushButton::clicked, this, [this] { moveSection(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSection(1); });
    connect(fullMarks, &QSpinBox::valueChanged, this, &PaperSettingsDialog::showTotal);
    // Notes left as the defaults follow the sheet: A4 has no sealing strip.
    connect(format, &QComboBox::currentIndexChanged, this, [this] {
        PaperSettings s;
        s.format = PaperFormat(format->currentData().toInt());
        s.notes = linesOf(notes);
        matchNotesToFormat(&s);
        if (s.notes != linesOf(notes))
            notes->setPlainText(s.notes.join(u'\n'));
    });
    fillSections();
    resize(600, sizeHint().height());
}

void PaperSettingsDialog::fillSections()
{
    sections->setRowCount(int(rows_.size()));
    for (int row = 0; row < int(rows_.size()); ++row) {
        sections->setItem(row, 0, new QTableWidgetItem);
        auto* count = new QTableWidgetItem;
        count->setTextAlignment(Qt::AlignCenter);
        sections->setItem(row, 1, count);
        auto* points = spinBox(QString(), 0, 1000, 0, sections);
        points->setSuffix(u" 分"_s);
        connect(points, &QSpinBox::valueChanged, this, [this, row](int value) {
            rows_[size_t(row)].points = value;
            showTotal();
        });
        sections->setCellWidget(row, 2, points);
        auto* subtotal = new QTableWidgetItem;
        subtotal->setTextAlignment(Qt::AlignCenter);
        sections->setItem(row, 3, subtotal);
    }
    showSections();
    sections->resizeColumnsToContents();
    sections->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
}

// The rows keep their controls; a move only changes what they show.
void PaperSettingsDialog::showSections()
{
    for (int row = 0; row < int(rows_.size()); ++row) {
        const PaperSection& s = rows_[size_t(row)];
        sections->item(row, 0)->setText(s.type);
        sections->item(row, 1)->setText(QString::number(s.questions));
        auto* points = static_cast<QSpinBox*>(sections->cellWidget(row, 2));
        const QSignalBlocker quiet(points);
        points->setObjectName(u"points."_s + s.type);
        points->setAccessibleName(s.type + u"每题分数"_s);
        points->setValue(s.points);
    }
    showTotal();
}

void PaperSettingsDialog::moveSection(int by)
{
    const int row = sections->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= int(rows_.size()))
        return;
    std::swap(rows_[size_t(row)], rows_[size_t(to)]);
    showSections();
    sections->setCurrentCell(to, 0);
}

void PaperSettingsDialog::showTotal()
{
    int questions = 0;
    int sum = 0;
    for (int row = 0; row < int(rows_.size()); ++row) {
        const PaperSection& s = rows_[size_t(row)];
        questions += s.questions;
        sum += s.questions * s.points;
        if (QTableWidgetItem* item = sections->item(row, 3))
            item->setText(s.points > 0 ? QString::number(s.questions * s.points) : u"—"_s);
    }
    QString text = u"共%1题，各题合计%2分"_s.arg(questions).arg(sum);
    if (fullMarks->value() > 0 && fullMarks->value() != sum)
        text += u"（卷头印满分%1分）"_s.arg(fullMarks->value());
    total->setText(text);
}

PaperSettings PaperSettingsDialog::settings() const
{
    PaperSettings s = settings_;
    s.format = PaperFormat(format->currentData().toInt());
    s.title = linesOf(title);
    s.fullMarks = fullMarks->value();
    s.minutes = minutes->value();
    s.scoreTable = scoreTable->isChecked();
    s.notes = linesOf(notes);
    // The sections shown in their new order; types of earlier papers keep
    // their place after them.
    QStringList order;
    for (const PaperSection& row : rows_) {
        order << row.type;
        s.points[row.type] = row.points;
    }
    for (const QString& type : settings_.sectionOrder) {
        if (!order.contains(type))
            order << type;
    }
    s.sectionOrder = order;
    s.answerSpaceMm = answerSpace->value();
    s.compactChoices = compactChoices->isChecked();
    return s;
}

PaperLayout::Kind PaperSettingsDialog::kind() const
{
    return content->currentIndex() == 1 ? PaperLayout::Kind::Answers : PaperLayout::Kind::Paper;
}
