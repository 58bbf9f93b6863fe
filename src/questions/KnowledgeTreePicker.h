#pragma once

#include <QObject>
#include <QString>

class BankStore;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The knowledge-point tree beside a question form: the whole classification
// of 知识点表 as root → level 1 → level 2 → level 3, each level sorted in name
// order; a click on a node writes its name into the form's field of that
// level, and only that one. The host places the tree (named tv) and names its
// three level fields.
//
// Level-3 nodes are made when their level-2 node is first expanded. A name
// cut by the tree's edge or by its level field shows whole in a tooltip.
//
// A node is keyed by its level letter ("A", "B", "C") and its whole path, so
// a level-2 name used under two level-1 names shows under each with its own
// children.
class KnowledgeTreePicker : public QObject
{
    Q_OBJECT
public:
    KnowledgeTreePicker(QTreeWidget* tree, QLineEdit* level1, QLineEdit* level2, QLineEdit* level3,
                        QObject* parent = nullptr);

    static QString rootText();
    // The key of a node: empty for the root, else the level letter and the path.
    static QString keyOf(const QTreeWidgetItem* node);

    // Fills the tree from the bank, all nodes collapsed. Throws StoreError.
    void build(BankStore& store);
    // Writes the node's text into the field of its level; the root writes nothing.
    void nodeClicked(QTreeWidgetItem* node);

private:
    QTreeWidget* tree_;
    QLineEdit* fields_[3];
};
