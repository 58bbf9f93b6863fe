#pragma once

#include "store/Classifications.h"

#include <functional>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <QWidget>

class BankStore;
class ClassificationGrid;
class ClassificationGridView;
class QGroupBox;
class QLineEdit;
class QPushButton;

// What 编辑知识点 (XG_ZHSHD) and 编辑题型 (XG_TiXing) share: the grid of a
// whole table, the edit fields, and 添加, 删除, 退出.
//
// Choosing a grid row fills the fields from it. 添加 warns about each empty
// name (the warnings do not stop it), asks, appends the names as typed and
// reloads the grid with the new row chosen and in sight. 删除 acts on the
// grid's current row, never on the typed fields: it asks, naming the
// identifier (and how many rows hold the same names, when more than one
// does), deletes every row with that row's names, and empties the fields and
// reloads the grid whether the answer was Yes or No. 重命名 renames what was
// typed over in the chosen row's fields, in the table and, when the teacher
// says so, in the questions that use it. 退出 only hides the window, so it
// shows again as it was left.
//
// A reload leaves no row current unless it chose one (the row added or
// renamed): 删除 then asks the teacher to choose a row first, and an Enter
// on its question never deletes a row nobody chose.
//
// Loading reads the table and throws StoreError when it cannot; the handlers
// run under the store-error report.
class ClassificationEditor : public QWidget
{
    Q_OBJECT
public:
    ClassificationGridView* MSFlexGrid1;
    QLineEdit* Text2; // ID: the identifier of the chosen row, shown only
    QLineEdit* Text1;
    QPushButton* Command2; // 添加
    QPushButton* Command1; // 删除
    QPushButton* Command4; // 重命名
    QPushButton* Command3; // 退出

    ClassificationGrid* grid() const { return grid_; }
    // The name fields in grid column order (columns 1, 2, ...).
    const QList<QLineEdit*>& nameFields() const { return nameFields_; }

    QSize sizeHint() const override { return size_; }

    // refreshGrid on this window's table; says "没有查到任何记录" when it has
    // no row. The row with identifier `chosenId` is then current and in
    // sight; without one (0) no row is. Throws StoreError.
    void refreshGrid(BankStore& store, qint64 chosenId = 0);

    void MSFlexGrid1_RowColChange();
    void Command2_Click(); // 添加
    void Command1_Click(); // 删除
    void Command4_Click(); // 重命名
    void Command3_Click(); // 退出

    // What sets the two editors apart.
    struct NameField
    {
        QString objectName; // Text1, Text3, Text4
        QString label;
        QString warning; // shown (title 警告) when the field is empty on 添加
    };
    struct Setup
    {
        QString caption;
        QString table;
        int columns = 0;
        QSize size;      // twips
        QPoint position; // twips, in the main window's client area
        QString gridTitle;
        QString gridGroupTip;
        QString editGroupTip;
        QList<NameField> fields; // grid columns 1.. in order
        QString addQuestion;
    };

protected:
    ClassificationEditor(const Setup& setup, QWidget* parent);

    // Appends one row with these names (grid column order) and returns its identifier.
    virtual qint64 addRow(BankStore& store, const QStringList& names) = 0;
    // Deletes every row holding these names (grid column order).
    virtual void deleteRows(BankStore& store, const QStringList& names) = 0;
    // How many rows hold these names.
    virtual int rowsHolding(BankStore& store, const QStringList& names) = 0;
    // The names of a row as the messages quote them: 知识点“…” or 题型“…”.
    virtual QString quoted(const QStringList& names) const = 0;

    // What 重命名 does with the chosen row's names and the names typed over
    // them: a warning and the field to go back to, or what is renamed.
    struct Rename
    {
        QString warning{};
        QLineEdit* field = nullptr;
        QString what{}; // 二级知识点“有理数”, 题型“选择题”
        QString newName{};
        std::function<RenameCount(BankStore&)> use;
        std::function<RenameCount(BankStore&, bool questionsToo)> apply;
    };
    virtual Rename planRename(const QStringList& chosen, const QStringList& typed) = 0;

    // Loads the window: size, place and the grid. Called by the subclass's
    // constructor, once the window is whole.
    void Form_Load();

private:
    QStringList typedNames() const;
    void clearFields();

    Setup setup_;
    QSize size_;
    ClassificationGrid* grid_;
    QList<QLineEdit*> nameFields_;
    bool reloading_ = false;
};
