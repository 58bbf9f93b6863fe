// The program's scroll bars and group boxes: flat, yet the scroll bars show
// where their handle and arrows are for every orientation and range, and the
// group boxes look as the platform style draws them.
#include "ui/ProgramStyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QtTest>
#include <QVBoxLayout>

namespace {

class Bar : public QScrollBar
{
public:
    using QScrollBar::initStyleOption;
    using QScrollBar::QScrollBar;

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
    void groupBoxLooksAsThePlatformDrawsIt_data();
    void groupBoxLooksAsThePlatformDrawsIt();
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

    // A disabled bar still shows its handle, apart from the groove.
    bar.setEnabled(false);
    image = bar.shot();
    const QRgb faint = image.pixel(atEnd.center());
    QVERIFY(faint != groove && faint != handle);
    QCOMPARE(image.pixel(atStart.center()), groove);
    bar.setEnabled(true);

    // Nothing to scroll: no handle at all.
    bar.setRange(0, 0);
    QVERIFY(!hasColor(bar.shot(), bar.rect(), handle));
}

void ProgramStyleTest::groupBoxLooksAsThePlatformDrawsIt_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("titled") << QStringLiteral("题目信息");
    QTest::newRow("untitled") << QString();
}

void ProgramStyleTest::groupBoxLooksAsThePlatformDrawsIt()
{
    QFETCH(QString, title);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* box = new QGroupBox(title);
    layout->addWidget(box);
    (new QVBoxLayout(box))->addWidget(new QLabel(QStringLiteral("内容")));
    window.resize(200, 140);
    window.show();
    const QImage ours = window.grab().toImage().convertToFormat(QImage::Format_RGB32);

    auto* programStyle = dynamic_cast<ProgramStyle*>(QApplication::style());
    QVERIFY(programStyle);
    std::unique_ptr<QStyle> platform(QStyleFactory::create(programStyle->baseStyle()->name()));
    QVERIFY(platform);
    box->setStyle(platform.get());
    const QImage theirs = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    box->setStyle(nullptr);
    QCOMPARE(ours.size(), theirs.size());

    // The same frame in the same place; only the rounding of its corners
    // may differ, by a few pixels each, and only slightly.
    int differing = 0;
    int worst = 0;
    for (int y = 0; y < ours.height(); ++y) {
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y);
            const QRgb b = theirs.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))});
            differing += d > 2;
            worst = std::max(worst, d);
        }
    }
    QVERIFY2(differing <= 4 * 6, qPrintable(QString::number(differing)));
    QVERIFY2(worst <= 24, qPrintable(QString::number(worst)));
    // And the frame is there: its border runs down the left side.
    const QRect frame = box->geometry();
    QCOMPARE(ours.pixel(frame.left() + 1, frame.center().y()),
             ProgramStyle::frameBorderColor(box->palette()).rgb());
}

QTEST_MAIN(ProgramStyleTest)
#include "ProgramStyleTest.moc"
