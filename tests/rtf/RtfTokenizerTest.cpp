#include "rtf/RtfTokenizer.h"

#include <QTest>

#include <string>

using namespace Qt::StringLiterals;

using rtf::Token;
using rtf::TokenType;

namespace {

// The tokens of `input`, one per line: "{", "}", "\word", "\wordN",
// "sym:x", "hex:hh hh ...", "text:...", "bin:<n bytes>".
QStringList tokens(std::string_view input)
{
    QStringList out;
    rtf::Tokenizer t(input);
    for (Token tok = t.next(); tok.type != TokenType::End; tok = t.next()) {
        const QString text = QString::fromLatin1(tok.text.data(), qsizetype(tok.text.size()));
        switch (tok.type) {
        case TokenType::GroupStart:
            out << u"{"_s;
            break;
        case TokenType::GroupEnd:
            out << u"}"_s;
            break;
        case TokenType::ControlWord:
            out << u"\\"_s + text + (tok.hasParam ? QString::number(tok.param) : QString());
            break;
        case TokenType::ControlSymbol:
            out << u"sym:"_s + QChar(char16_t(tok.byte));
            break;
        case TokenType::HexBytes:
            out << u"hex:"_s + QString::fromLatin1(
                                   QByteArray(tok.text.data(), qsizetype(tok.text.size())).toHex(' '));
            break;
        case TokenType::Text:
            out << u"text:"_s + text;
            break;
        case TokenType::Binary:
            out << u"bin:%1"_s.arg(tok.text.size());
            break;
        case TokenType::End:
            break;
        }
    }
    return out;
}

QStringList list(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* i : items)
        out << QString::fromLatin1(i);
    return out;
}

} // namespace

class RtfTokenizerTest : public QObject
{
    Q_OBJECT

private slots:
    void controlWordsAndDelimiters()
    {
        QCOMPARE(tokens("{\\rtf1\\ansi\\ansicpg936 abc\\b0x}"),
                 list({"{", "\\rtf1", "\\ansi", "\\ansicpg936", "text:abc", "\\b0", "text:x", "}"}));
        // Only one space is the delimiter; a minus sign needs a digit.
        QCOMPARE(tokens("\\par  two\\li-720\\u-3913?\\fi-x"),
                 list({"\\par", "text: two", "\\li-720", "\\u-3913", "text:?", "\\fi", "text:-x"}));
    }

    void lineEndsAndNulBytesAreNotText()
    {
        QCOMPARE(tokens(std::string_view("a\r\nb\0c", 6)), list({"text:a", "text:b", "text:c"}));
        QCOMPARE(tokens("a\\\nb"), list({"text:a", "sym:\n", "text:b"}));
    }

    void symbolsAndHexEscapes()
    {
        QCOMPARE(tokens("\\{\\}\\\\\\~\\*\\'b2\\'E2"),
                 list({"sym:{", "sym:}", "sym:\\", "sym:~", "sym:*", "hex:b2 e2"}));
        // A run of escapes is one token, also over line ends.
        QCOMPARE(tokens("\\'b2\\'e2\r\n\\'ca\\'d4x\\'41"), list({"hex:b2 e2 ca d4", "text:x", "hex:41"}));
        // Broken escapes: one digit is a value, none gives nothing.
        QCOMPARE(tokens("\\'zz\\'4 x\\'"), list({"text:zz", "hex:04", "text: x"}));
    }

    void parametersAreClamped()
    {
        QCOMPARE(tokens("\\fs99999999999999999999 \\li-99999999999"),
                 list({"\\fs2147483647", "\\li-2147483648"}));
    }

    void longWordsAreCut()
    {
        const std::string word = "\\" + std::string(100, 'a') + "5 x";
        const QStringList t = tokens(word);
        QCOMPARE(t.size(), 2);
        QCOMPARE(t[0], u"\\"_s + QString(32, u'a') + u"5"_s);
    }

    void binaryData()
    {
        const std::string_view data("\\bin4 {}\\\0x}", 12);
        QCOMPARE(tokens(data), list({"bin:4", "text:x", "}"}));
        QCOMPARE(tokens("\\bin ab"), list({"bin:0", "text:ab"}));
        QCOMPARE(tokens("\\bin99 ab"), list({"bin:2"}));
        QCOMPARE(tokens("\\bin-5 ab"), list({"bin:0", "text:ab"}));
    }

    // Words are told apart by all their letters, also past the eighth.
    void controlWordsCarryTheirKeyword()
    {
        const auto keywordOf = [](std::string_view input) {
            rtf::Tokenizer t(input);
            const Token tok = t.next();
            return tok.type == TokenType::ControlWord ? tok.keyword : rtf::Kw::Unknown;
        };
        QCOMPARE(keywordOf("\\b0"), rtf::Kw::b);
        QCOMPARE(keywordOf("\\par"), rtf::Kw::par);
        QCOMPARE(keywordOf("\\pard\\f"), rtf::Kw::pard);
        QCOMPARE(keywordOf("\\listoverride"), rtf::Kw::listoverride);
        QCOMPARE(keywordOf("\\listoverridetable"), rtf::Kw::listoverridetable);
        QCOMPARE(keywordOf("\\colorschememapping"), rtf::Kw::colorschememapping);
        QCOMPARE(keywordOf("\\template x"), rtf::Kw::template_);
        QCOMPARE(keywordOf("\\listoverridetablx"), rtf::Kw::Unknown);
        QCOMPARE(keywordOf("\\listove"), rtf::Kw::Unknown);
        QCOMPARE(keywordOf("\\pa"), rtf::Kw::Unknown);
        QCOMPARE(keywordOf("\\Par"), rtf::Kw::Unknown);
        QCOMPARE(keywordOf(("\\" + std::string(40, 'b')).c_str()), rtf::Kw::Unknown);
        QCOMPARE(rtf::keyword("listoverridetable"), rtf::Kw::listoverridetable);
        QCOMPARE(rtf::keyword("tikuformula"), rtf::Kw::tikuformula);
        QCOMPARE(rtf::keyword(""), rtf::Kw::Unknown);
    }

    void endsCleanly()
    {
        QCOMPARE(tokens("\\"), QStringList());
        QCOMPARE(tokens("ab\\"), list({"text:ab"}));
        QCOMPARE(tokens(""), QStringList());
    }
};

QTEST_MAIN(RtfTokenizerTest)
#include "RtfTokenizerTest.moc"
