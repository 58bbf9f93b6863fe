#include "ui/Clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

using namespace Qt::StringLiterals;

class ClipboardTest : public QObject
{
    Q_OBJECT
private slots:
    void getTextWithoutRtfIsEmpty();
    void setTextKeepsTheBytes_data();
    void setTextKeepsTheBytes();
    void otherRtfTypesAreRead_data();
    void otherRtfTypesAreRead();
    void plainTextOfferedBesideRtf();
};

void ClipboardTest::getTextWithoutRtfIsEmpty()
{
    Clipboard::SetText("{\\rtf1\\ansi x}");
    Clipboard::Clear();
    QCOMPARE(Clipboard::GetText(), QByteArray());

    QApplication::clipboard()->setText(u"别的程序的纯文本"_s);
    QCOMPARE(Clipboard::GetText(), QByteArray());

    auto* mime = new QMimeData;
    mime->setHtml(u"<b>粗</b>"_s);
    QApplication::clipboard()->setMimeData(mime);
    QCOMPARE(Clipboard::GetText(), QByteArray());
}

void ClipboardTest::setTextKeepsTheBytes_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("code page 936") << QByteArray(
        "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
        "\\f0 \\'d6\\'d0\\'ce\\'c4\\par\r\n}");
    QTest::newRow("raw 8-bit bytes and NUL") << QByteArray("{\\rtf1 \xff\xfe\x00\x80 }", 12);
    QTest::newRow("not RTF at all") << QByteArray("plain words");
    QTest::newRow("empty") << QByteArray();
}

void ClipboardTest::setTextKeepsTheBytes()
{
    QFETCH(QByteArray, rtf);
    Clipboard::Clear();
    Clipboard::SetText(rtf);
    QCOMPARE(Clipboard::GetText(), rtf);
    // Offered as text/rtf, the type office programs read.
    QCOMPARE(QApplication::clipboard()->mimeData()->data(u"text/rtf"_s), rtf);
}

void ClipboardTest::otherRtfTypesAreRead_data()
{
    QTest::addColumn<QString>("type");
    QTest::newRow("application/rtf") << u"application/rtf"_s;
    QTest::newRow("text/richtext") << u"text/richtext"_s;
}

void ClipboardTest::otherRtfTypesAreRead()
{
    QFETCH(QString, type);
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0}";
    auto* mime = new QMimeData;
    mime->setText(u"中"_s);
    mime->setData(type, rtf);
    QApplication::clipboard()->setMimeData(mime);
    QCOMPARE(Clipboard::GetText(), rtf);
}

void ClipboardTest::plainTextOfferedBesideRtf()
{
    Clipboard::SetText("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4\\par {\\b bold}}");
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QCOMPARE(mime->formats().first(), u"text/rtf"_s);
    QCOMPARE(mime->text().trimmed(), u"中文\nbold"_s);
}

QTEST_MAIN(ClipboardTest)
#include "ClipboardTest.moc"
