#include "ui/Clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// How Qt shows the Windows clipboard format Word and WPS keep RTF in.
const QString kWordRtf = u"application/x-qt-windows-mime;value=\"Rich Text Format\""_s;
} // namespace

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
    // Offered as text/rtf, the type office programs read, and in the Windows
    // format of Word and WPS.
    QCOMPARE(QApplication::clipboard()->mimeData()->data(u"text/rtf"_s), rtf);
    QCOMPARE(QApplication::clipboard()->mimeData()->data(kWordRtf), rtf);
}

void ClipboardTest::otherRtfTypesAreRead_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("padding");
    QTest::newRow("application/rtf") << u"application/rtf"_s << QByteArray();
    QTest::newRow("text/richtext") << u"text/richtext"_s << QByteArray();
    // A native Windows block from Word: a closing NUL, perhaps more.
    QTest::newRow("Word's Rich Text Format") << kWordRtf << QByteArray(3, '\0');
}

void ClipboardTest::otherRtfTypesAreRead()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, padding);
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0}";
    auto* mime = new QMimeData;
    mime->setText(u"中"_s);
    mime->setData(type, rtf + padding);
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
