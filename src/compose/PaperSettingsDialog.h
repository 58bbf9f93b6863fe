#pragma once

#include "compose/PaperLayout.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

// 版式: the sheet, what is printed (the paper or its answer key), the title
// lines, the marks and time, the score table, the notes, the order of the
// sections with the points per question (totals computed as they change) and
// the room left after each 解答题. Opened by 打印预览 and 导出PDF.
class PaperSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    // `firstSet`: the sections of the first set, in the order of `settings`.
    PaperSettingsDialog(const PaperSettings& settings, const std::vector<PaperSection>& firstSet,
                        QWidget* parent = nullptr);

    PaperSettings settings() const;
    PaperLayout::Kind kind() const;

    QComboBox* format;
    QComboBox* content;
    QPlainTextEdit* title;
    QSpinBox* fullMarks;
    QSpinBox* minutes;
    QCheckBox* scoreTable;
    QPlainTextEdit* notes;
    QTableWidget* sections; // 题型, 题数, 每题分数, 小计
    QPushButton* up;
    QPushButton* down;
    QLabel* total;
    QSpinBox* answerSpace;
    QCheckBox* compactChoices;

private:
    void fillSections();
    void showSections();
    void moveSection(int by);
    void showTotal();

    PaperSettings settings_;
    std::vector<PaperSection> rows_;
};
