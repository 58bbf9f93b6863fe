#pragma once

#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QTextDocument>
#include <QWidget>

class BankStore;
class QPushButton;
class RichTextBox;

// What 导出知识点到WORD (DaoChZHSHD) and 导出题型到WORD (DaoCHTX) share: the
// document box, and 导  出, 保  存, 退  出 in the frame "操作选项".
//
// 导  出 builds the document afresh from the bank, shows it in the box and
// leaves the clipboard empty; 保  存 (enabled from the first export on)
// writes what the box holds, the user's edits included, as RTF under exactly
// the name chosen in the save dialog (it proposes the classification's name
// with the date, in the folder saved into last); 退  出 discards the window
// at once.
class ClassificationExportWindow : public QWidget
{
    Q_OBJECT
public:
    RichTextBox* RichTextBox1; // the document
    QPushButton* Command1;     // 导  出
    QPushButton* Command2;     // 保  存
    QPushButton* Command3;     // 退  出

    QSize sizeHint() const override { return size_; }

    void Command1_Click(); // 导  出
    void Command2_Click(); // 保  存
    void Command3_Click(); // 退  出

protected:
    // `size` and `position` in twips; `fileBase` starts the name 保  存
    // proposes (知识点 gives 知识点-20261208.rtf).
    ClassificationExportWindow(const QString& caption, const QString& fileBase, QSize size, QPoint position,
                               QWidget* parent);

    // Builds this window's document from the bank into `doc`.
    virtual void exportInto(BankStore& store, QTextDocument* doc) = 0;

private:
    void Form_Load(QPoint position);

    QString fileBase_;
    QSize size_;
    QPointer<QTextDocument> exported_; // the document in the box after an export
};
