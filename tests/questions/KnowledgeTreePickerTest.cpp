// The knowledge-point tree beside the question forms, clicked as a teacher does.
#include "questions/KnowledgeTreePicker.h"
#include "common/TestBank.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Opens a node as a teacher does, so that its children are there.
QTreeWidgetItem* opened(QTreeWidgetItem* node)
{
    node->setExpanded(true);
    return node;
}

// The tree as text, every branch opened: one line per node, indented by depth.
QStringList outline(QTreeWidgetItem* node, int depth = 0)
{
    opened(node);
    QStringList lines{QString(depth * 2, u' ') + node->text(0)};
    for (int i = 0; i < node->childCount(); ++i)
        lines += outline(node->child(i), depth + 1);
    return lines;
}

struct Host
{
    QWidget window;
    QTreeWidget* tv = new QTreeWidget(&window);
    QLineEdit* Text2 = new QLineEdit(&window);
    QLineEdit* Text3 = new QLineEdit(&window);
    QLineEdit* Text4 = new QLineEdit(&window);
    KnowledgeTreePicker picker{tv, Text2, Text3, Text4};

    Host()
    {
        tv->setGeometry(0, 0, 300, 600);
        Text2->move(310, 0);
        Text3->move(310, 40);
        Text4->move(310, 80);
        window.resize(500, 620);
    }
    QStringList fields() const { return {Text2->text(), Text3->text(), Text4->text()}; }

    // Opens the branches above `node` and clicks it with the mouse.
    void click(QTreeWidgetItem* node)
    {
        for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
            p->setExpanded(true);
        tv->scrollToItem(node);
        QTest::mouseClick(tv->viewport(), Qt::LeftButton, {}, tv->visualItemRect(node).center());
    }
};

} // namespace

class KnowledgeTreePickerTest : public QObject
{
    Q_OBJECT
private slots:
    void treeFollowsTheClassification();
    void clickWritesOnlyItsLevel();
    void emptyClassificationGivesTheRootAlone();
};

void KnowledgeTreePickerTest::treeFollowsTheClassification()
{
    TestBank bank;
    bank.addKnowledgePath(u"数与代数"_s, u"第10章"_s, u"乙"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"第2章"_s, u"甲"_s);
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"第2章"_s, u"甲"_s); // a repeated row
    // The same level-2 name under two level-1 names keeps its own children,
    // and a level-1 name used again at level 2 is a node of its own.
    bank.addKnowledgePath(u"图形与几何"_s, u"第2章"_s, u"丙"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"数与代数"_s, u"丁"_s);

    Host host;
    BankStore store = bank.store();
    host.picker.build(store);
    QCOMPARE(host.tv->topLevelItemCount(), 1);
    QTreeWidgetItem* root = host.tv->topLevelItem(0);
    QVERIFY(!root->isExpanded());
    // A level-2 node shows it can be opened before its children are made.
    QTreeWidgetItem* chapter2 = root->child(0)->child(0);
    QCOMPARE(chapter2->childCount(), 0);
    QCOMPARE(chapter2->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    QCOMPARE(outline(root), (QStringList{
                                u"“三级知识点”双击打开"_s,
                                u"  数与代数"_s,
                                u"    第2章"_s,
                                u"      甲"_s,
                                u"    第10章"_s,
                                u"      乙"_s,
                                u"    数与代数"_s,
                                u"      丁"_s,
                                u"  图形与几何"_s,
                                u"    第2章"_s,
                                u"      丙"_s,
                                u"    三角形"_s,
                                u"      全等"_s,
                            }));
    // Closing and opening again adds nothing.
    chapter2->setExpanded(false);
    chapter2->setExpanded(true);
    QCOMPARE(chapter2->childCount(), 1);
    QCOMPARE(KnowledgeTreePicker::keyOf(root), QString());
    QVERIFY(KnowledgeTreePicker::keyOf(root->child(0)).startsWith(u'A'));
    QVERIFY(KnowledgeTreePicker::keyOf(root->child(0)->child(0)).startsWith(u'B'));
    QVERIFY(KnowledgeTreePicker::keyOf(root->child(0)->child(0)->child(0)).startsWith(u'C'));
    QVERIFY(KnowledgeTreePicker::keyOf(root->child(0)->child(0)) !=
            KnowledgeTreePicker::keyOf(root->child(1)->child(0)));
}

void KnowledgeTreePickerTest::clickWritesOnlyItsLevel()
{
    TestBank bank;
    bank.addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等"_s);
    Host host;
    BankStore store = bank.store();
    host.picker.build(store);
    host.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host.window));

    QTreeWidgetItem* root = host.tv->topLevelItem(0);
    QTreeWidgetItem* algebra = root->child(0);
    QTreeWidgetItem* triangle = root->child(1)->child(0);
    QTreeWidgetItem* absolute = opened(algebra->child(0))->child(0);
    host.Text2->setText(u"手填"_s);
    host.click(root);
    QCOMPARE(host.fields(), (QStringList{u"手填"_s, {}, {}}));
    host.click(absolute);
    QCOMPARE(host.fields(), (QStringList{u"手填"_s, {}, u"绝对值"_s}));
    host.click(triangle); // level 2 of another branch: only level 2 changes
    QCOMPARE(host.fields(), (QStringList{u"手填"_s, u"三角形"_s, u"绝对值"_s}));
    host.click(algebra);
    QCOMPARE(host.fields(), (QStringList{u"数与代数"_s, u"三角形"_s, u"绝对值"_s}));
}

void KnowledgeTreePickerTest::emptyClassificationGivesTheRootAlone()
{
    TestBank bank;
    Host host;
    BankStore store = bank.store();
    host.picker.build(store);
    QCOMPARE(outline(host.tv->topLevelItem(0)), QStringList{u"“三级知识点”双击打开"_s});
    host.picker.nodeClicked(host.tv->topLevelItem(0));
    QCOMPARE(host.fields(), (QStringList{{}, {}, {}}));
}

QTEST_MAIN(KnowledgeTreePickerTest)
#include "KnowledgeTreePickerTest.moc"
