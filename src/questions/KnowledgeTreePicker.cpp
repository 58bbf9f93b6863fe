#include "questions/KnowledgeTreePicker.h"

#include "store/BankStore.h"
#include "ui/CutTextToolTip.h"

#include <algorithm>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// Separates the names of a path inside a key; no name typed by a teacher holds it.
constexpr QChar kPathSeparator = QChar(0x1f);

// A node holding only its name: the tree has one per knowledge point, and a
// plain item's per-column, per-role storage would cost several allocations
// each. The key is found from the node's place in the tree.
class NameNode : public QTreeWidgetItem
{
public:
    NameNode(QTreeWidgetItem* parent, const QString& name, int type = UserType)
        : QTreeWidgetItem(parent, type), name_(name)
    {
    }

    QVariant data(int column, int role) const override
    {
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
            return name_;
        return QTreeWidgetItem::data(column, role);
    }

private:
    QString name_;
};

// A level-2 node. Its level-3 nodes are made when it is first opened: the
// tree opens collapsed, and most of a large classification is never
// unfolded, so most nodes of the tree would be made for nothing.
class BranchNode : public NameNode
{
public:
    static constexpr int Type = UserType + 1;

    BranchNode(QTreeWidgetItem* parent, const QString& name) : NameNode(parent, name, Type)
    {
        setChildIndicatorPolicy(ShowIndicator);
    }

    void addLeaf(const QString& name) { leaves_.push_back(name); }

    void unfold()
    {
        for (const QString& name : leaves_)
            new NameNode(this, name);
        leaves_.clear();
        leaves_.squeeze();
        setChildIndicatorPolicy(DontShowIndicatorWhenChildless);
    }

private:
    QStringList leaves_;
};

} // namespace

KnowledgeTreePicker::KnowledgeTreePicker(QTreeWidget* tree, QLineEdit* level1, QLineEdit* level2,
                                         QLineEdit* level3, QObject* parent)
    : QObject(parent), tree_(tree), fields_{level1, level2, level3}
{
    tree_->setObjectName(u"tv"_s);
    tree_->setAccessibleName(u"知识点"_s);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setExpandsOnDoubleClick(true);
    // The frame beside a form is narrow: long names scroll sideways instead
    // of being cut off, and a name running past the edge shows whole in a
    // tooltip, as one cut by its level field does. A small indentation keeps
    // the names of level 3 in view.
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    tree_->setIndentation(std::min(tree_->indentation(), tree_->fontMetrics().height()));
    showCutTextInToolTip(tree_);
    for (QLineEdit* field : fields_) {
        if (field)
            showCutTextInToolTip(field);
    }
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { nodeClicked(node); });
    connect(tree_, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* node) {
        if (node->type() == BranchNode::Type)
            static_cast<BranchNode*>(node)->unfold();
    });
}

QString KnowledgeTreePicker::rootText()
{
    return u"“三级知识点”双击打开"_s;
}

QString KnowledgeTreePicker::keyOf(const QTreeWidgetItem* node)
{
    if (!node || !node->parent())
        return {};
    QStringList names;
    for (const QTreeWidgetItem* n = node; n->parent(); n = n->parent())
        names.prepend(n->text(0));
    if (names.size() > 3)
        return {};
    return QChar(char16_t(u'A' + names.size() - 1)) + names.join(kPathSeparator);
}

void KnowledgeTreePicker::build(BankStore& store)
{
    // One ordered read; the paths come sorted by level 1, 2, 3, so each
    // level's nodes are added in order under the node made just before, and
    // a level-2 node keeps its level-3 names in order until it is opened.
    const std::vector<KnowledgePath> paths = store.knowledgePathsInNameOrder();
    tree_->clear();
    // Built apart and handed to the tree whole: one insertion for the view
    // instead of one per node.
    auto* root = new QTreeWidgetItem(QStringList{rootText()});
    QTreeWidgetItem* level1 = nullptr;
    BranchNode* level2 = nullptr;
    const KnowledgePath* previous = nullptr;
    for (const KnowledgePath& p : paths) {
        if (!previous || p.level1 != previous->level1) {
            level1 = new NameNode(root, p.level1);
            level2 = nullptr;
        }
        if (!level2 || p.level2 != previous->level2)
            level2 = new BranchNode(level1, p.level2);
        level2->addLeaf(p.level3);
        previous = &p;
    }
    tree_->addTopLevelItem(root);
    tree_->collapseAll();
}

void KnowledgeTreePicker::nodeClicked(QTreeWidgetItem* node)
{
    const QString key = keyOf(node);
    if (key.isEmpty())
        return;
    const int level = key.at(0) == u'C' ? 2 : key.at(0) == u'B' ? 1 : key.at(0) == u'A' ? 0 : -1;
    if (level >= 0 && fields_[level])
        fields_[level]->setText(node->text(0));
}
