#pragma once

#include "formula/FormulaRenderer.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
struct FormulaTemplate;

// 公式编辑器: a LaTeX line with a preview that follows every keystroke, a
// palette of templates, and an error text under the preview while the line
// does not typeset (插入 is disabled then). The formula is typeset at the
// point size of the text it goes into; formula() is the last good one.
class FormulaEditor : public QDialog
{
    Q_OBJECT
public:
    explicit FormulaEditor(qreal pointSize, QWidget* parent = nullptr);

    QString source() const;
    // Opens the editor on a formula to change: 插入 becomes 替换.
    void setSource(const QString& latex);
    // Opens the editor on an equation object that was converted only up to
    // `construct`: `latex` is what came before it. The error line names the
    // construct, and the formula is replaced only once the line is changed.
    void setUnconverted(const QString& latex, const QString& construct);
    // The typeset formula for source(); its error says why there is none.
    const Formula& formula() const { return formula_; }

    // Inserts a palette entry at the caret of the LaTeX line (replacing its
    // selection) and puts the caret into the template's first blank.
    void insertTemplate(const FormulaTemplate& entry);

    QLineEdit* sourceEdit() const { return source_; }
    QLabel* preview() const { return preview_; }
    QLabel* errorText() const { return error_; }
    QPushButton* insertButton() const { return insert_; }
    QTabWidget* palette() const { return palette_; }

private:
    void updatePreview();

    qreal pointSize_;
    QString unconverted_; // the construct the equation object stopped at
    QString partial_;     // the LaTeX it was converted to before it
    FormulaRenderer renderer_;
    Formula formula_;
    QLineEdit* source_;
    QLabel* preview_;
    QLabel* error_;
    QPushButton* insert_;
    QTabWidget* palette_;
};
