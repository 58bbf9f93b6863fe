#include "questions/KnowledgeTreePicker.h"

#include "store/BankStore.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

constexpr int kKeyRole = Qt::UserRole;
// Separates the names of a path inside a key; no name typed by a teacher holds it.
constexpr QChar kPathSeparator = QChar(0x1f);

QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text)
{
    auto* node = new QTreeWidgetItem(parent, QStringList{text});
    node->setData(0, kKeyRole, key);
    return node;
}

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
    // of being cut off.
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { nodeClicked(node); });
}

QString KnowledgeTreePicker::rootText()
{
    return u"“三级知识点”双击打开"_s;
}

QString KnowledgeTreePicker::keyOf(const QTreeWidgetItem* node)
{
    return node ? node->data(0, kKeyRole).toString() : QString();
}

void KnowledgeTreePicker::build(BankStore& store)
{
    // One ordered read; the paths come sorted by level 1, 2, 3, so each
    // level's nodes are added in order under the node made just before.
    const std::vector<KnowledgePath> paths = store.knowledgePathsInNameOrder();
    tree_->clear();
    // Built apart and handed to the tree whole: one insertion for the view
    // instead of one per node.
    auto* root = new QTreeWidgetItem(QStringList{rootText()});
    QTreeWidgetItem* level1 = nullptr;
    QTreeWidgetItem* level2 = nullptr;
    QString key1;
    QString key2;
    for (const KnowledgePath& p : paths) {
        const QString k1 = u'A' + p.level1;
        if (!level1 || k1 != key1) {
            level1 = addNode(root, k1, p.level1);
            key1 = k1;
            level2 = nullptr;
        }
        const QString k2 = u'B' + p.level1 + kPathSeparator + p.level2;
        if (!level2 || k2 != key2) {
            level2 = addNode(level1, k2, p.level2);
            key2 = k2;
        }
        addNode(level2, u'C' + p.level1 + kPathSeparator + p.level2 + kPathSeparator + p.level3, p.level3);
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
