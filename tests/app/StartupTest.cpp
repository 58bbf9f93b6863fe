// Start-up: the cover's sweep, the about window and the way to the login.
#include "app/CoverArt.h"
#include "app/CoverFrm.h"
#include "app/frmdl.h"
#include "app/frmSplash.h"
#include "app/RevealPicture.h"
#include "ui/WindowRegistry.h"

#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { CoverFrm::setColumnDelay(0); }
    void cleanup() { WindowRegistry::instance().discardAll(); }

    void decimalColours()
    {
        QCOMPARE(colorFromDecimal(u"0"_s), QColor(0, 0, 0));
        QCOMPARE(colorFromDecimal(u"255"_s), QColor(255, 0, 0));
        QCOMPARE(colorFromDecimal(u"16711680"_s), QColor(0, 0, 255));
        QCOMPARE(colorFromDecimal(u"8454016"_s), QColor(128, 255, 128));
        QCOMPARE(colorToDecimal(QColor(128, 255, 128)), u"8454016"_s);
        QCOMPARE(colorFromDecimal(u"not a number"_s), QColor(0, 0, 0));
    }

    // Every pixel ends in its own colour: the last line through it is the one
    // aimed at it. A random picture catches any pixel that a later line spoils.
    void sweepEndsWithThePicture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("cover size") << QSize(487, 205);
        QTest::newRow("tall") << QSize(13, 61);
        QTest::newRow("one pixel") << QSize(1, 1);
    }

    void sweepEndsWithThePicture()
    {
        QFETCH(QSize, size);
        QImage picture(size, QImage::Format_RGB32);
        QRandomGenerator rng(7);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, 0xFF000000u | (rng.generate() & 0xFFFFFFu));
        QImage canvas(size, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        int columns = 0;
        revealPicture(picture, canvas, size.width(), size.height(), 0, 0, u"0"_s, [&] { ++columns; });
        QCOMPARE(columns, size.width() + 1); // both ends included
        QCOMPARE(canvas, picture);
    }

    void sweepIsAFanFromTheCorner()
    {
        // Half way through, only the lines aimed at the columns already drawn
        // are there: a fan from the bottom right corner.
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(QColor(200, 10, 10));
        QImage canvas(40, 20, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        int column = 0;
        QImage snapshot;
        revealPicture(picture, canvas, 40, 20, 0, 0, u"0"_s, [&] {
            if (column++ == 20)
                snapshot = canvas.copy();
        });
        QCOMPARE(snapshot.pixelColor(30, 0),
                 QColor(Qt::black)); // no line aimed left of column 20 passes here
        QCOMPARE(snapshot.pixelColor(19, 0), QColor(200, 10, 10));
        QCOMPARE(snapshot.pixelColor(39, 19), QColor(200, 10, 10));
    }

    void coverRunsOnceThenOpensTheAboutWindow()
    {
        auto* cover = WindowRegistry::instance().window<CoverFrm>();
        cover->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<CoverFrm> alive = cover;
        QCOMPARE(cover->size(), QSize(487, 205));
        QVERIFY(cover->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(cover->windowTitle(), u"软件封面的设计"_s);
        QVERIFY(cover->picShow()->isHidden());
        QCOMPARE(cover->tmControl()->interval(), 100);
        QVERIFY(cover->tmControl()->isActive());
        const QImage picture = drawCoverPicture();
        QCOMPARE(picture.size(), QSize(487, 205));
        cover->show();

        QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 30000); // swept and closed
        auto* about = WindowRegistry::instance().existing<frmSplash>();
        QVERIFY(about && about->isVisible());
    }

    void aboutWindow()
    {
        auto* about = WindowRegistry::instance().window<frmSplash>();
        about->show();
        QStringList texts;
        for (QLabel* l : about->findChildren<QLabel*>())
            texts << l->text();
        QVERIFY(texts.contains(u"“青桐”之<题库管理及组卷系统>"_s));
        QVERIFY(texts.contains(u"版本 1.0"_s));
        QVERIFY(texts.contains(u"最好工作于800×600模式"_s));
        QVERIFY(!(about->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(about->windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(about->findChild<QPushButton*>(u"Command1"_s)->text(), u"确定"_s);
        QCOMPARE(about->findChild<QPushButton*>(u"Command2"_s)->text(), u"退出"_s);
    }

    void aboutGoesOnToTheLogin_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("确定") << u"button"_s;
        QTest::newRow("click on a text") << u"label"_s;
        QTest::newRow("a key") << u"key"_s;
    }

    void aboutGoesOnToTheLogin()
    {
        QFETCH(QString, how);
        auto* about = WindowRegistry::instance().window<frmSplash>();
        QPointer<frmSplash> alive = about;
        about->show();
        if (how == u"button")
            QTest::mouseClick(about->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        else if (how == u"label")
            QTest::mouseClick(about->findChild<QLabel*>(u"lblVersion"_s), Qt::LeftButton);
        else
            QTest::keyClick(about, Qt::Key_A);
        QTRY_VERIFY(alive.isNull());
        auto* login = WindowRegistry::instance().existing<frmdl>();
        QVERIFY(login && login->isVisible());
    }

    void aboutQuitDoesNotOpenTheLogin()
    {
        auto* about = WindowRegistry::instance().window<frmSplash>();
        QPointer<frmSplash> alive = about;
        about->show();
        QTest::mouseClick(about->findChild<QPushButton*>(u"Command2"_s), Qt::LeftButton);
        QTRY_VERIFY(alive.isNull());
        QVERIFY(!WindowRegistry::instance().existing<frmdl>());
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
