// The program's scroll bars: flat, yet showing where their handle and arrows
// are for every orientation and range.
#include "ui/ProgramStyle.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QtTest>

namespace {

class Bar : public QScrollBar
{
public:
    using QScrollBar::QScrollBar;
    using QScrollBar::initStyleOption;

    QRect part(QStyle::SubControl sc) const
    {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        return style()->subControlRect(QStyle::CC_ScrollBar, &opt, sc, this);
    }
    QImage shot() { return grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

bool hasColor(const QImage& image, const QRect& where, QRgb color)
{
    for (int y = where.top(); y <= where.bottom(); ++y) {
        for (int x = where.left(); x <= where.right(); ++x) {
            if (image.pixel(x, y) == color)
                return true;
        }
    }
    return false;
}

} // namespace

class ProgramStyleTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { applyProgramStyle(); }
    void scrollBarShowsItsHandleAndArrows_data();
    void scrollBarShowsItsHandleAndArrows();
};

void ProgramStyleTest::scrollBarShowsItsHandleAndArrows_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::newRow("vertical") << Qt::Vertical;
    QTest::newRow("horizontal") << Qt::Horizontal;
}

void ProgramStyleTest::scrollBarShowsItsHandleAndArrows()
{
    QFETCH(Qt::Orientation, orientation);
    QVERIFY(dynamic_cast<ProgramStyle*>(QApplication::style()));
    Bar bar(orientation);
    const int extent = bar.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    bar.resize(orientation == Qt::Vertical ? QSize(extent, 220) : QSize(220, extent));
    bar.setRange(0, 100);
    bar.setPageStep(10);
    const QRgb groove = ProgramStyle::grooveColor(bar.palette()).rgb();
    const QRgb handle = ProgramStyle::handleColor(bar.palette()).rgb();
    QVERIFY(groove != handle);

    // The handle is drawn where a click grabs it, and follows the value.
    const QRect atStart = bar.part(QStyle::SC_ScrollBarSlider);
    QImage image = bar.shot();
    QCOMPARE(image.pixel(atStart.center()), handle);
    bar.setValue(100);
    const QRect atEnd = bar.part(QStyle::SC_ScrollBarSlider);
    QVERIFY(!atEnd.intersects(atStart));
    image = bar.shot();
    QCOMPARE(image.pixel(atEnd.center()), handle);
    QCOMPARE(image.pixel(atStart.center()), groove);

    // Each arrow button holds an arrow: something neither groove nor handle.
    for (QStyle::SubControl sc : {QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine}) {
        const QRect button = bar.part(sc);
        QVERIFY(!button.isEmpty());
        bool arrow = false;
        for (int y = button.top(); y <= button.bottom() && !arrow; ++y) {
            for (int x = button.left(); x <= button.right() && !arrow; ++x)
                arrow = qGray(image.pixel(x, y)) < qGray(groove) - 60;
        }
        QVERIFY2(arrow, "no arrow drawn in a button");
    }

    // Nothing to scroll: no handle at all.
    bar.setRange(0, 0);
    QVERIFY(!hasColor(bar.shot(), bar.rect(), handle));
}

QTEST_MAIN(ProgramStyleTest)
#include "ProgramStyleTest.moc"
