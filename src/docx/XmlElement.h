#pragma once

#include <QString>
#include <QStringView>

#include <utility>
#include <vector>

class QXmlStreamReader;

// A small element tree for the parts of an Office document that are easier
// to walk as a tree than as a stream (a formula, a drawing). Names carry a
// short prefix for the namespaces Office uses, whatever prefix the file
// chose: "w:" WordprocessingML, "m:" Office Math, "r:" relationships,
// "a:" DrawingML, "pic:", "wp:", "v:" VML, "o:" Office VML, "mc:" markup
// compatibility; others keep their local name after "?:".
namespace docx {

// The short prefix of a namespace URI, transitional and strict alike; "?" for
// one we do not know.
QStringView namespacePrefix(QStringView uri);
// The element or attribute name the reader stands on, as "w:p".
QString prefixedName(const QXmlStreamReader& reader);

struct XmlElement
{
    QString name;                                        // "m:f"
    std::vector<std::pair<QString, QString>> attributes; // "w:val" -> value
    std::vector<XmlElement> children;
    QString text; // the character data directly inside, joined

    // The first child called `name`, or nullptr.
    const XmlElement* child(QStringView name) const;
    // The attribute's value; `fallback` when it is missing.
    QString attribute(QStringView name, const QString& fallback = {}) const;
    bool hasAttribute(QStringView name) const;
    // The w:val or m:val attribute of the child `name`: how Office writes a
    // property ("m:chr" with m:val="∑"); `fallback` when the child is missing.
    QString childValue(QStringView name, const QString& fallback = {}) const;
    bool hasChild(QStringView name) const { return child(name) != nullptr; }
};

// Reads the element the reader stands on (a StartElement) with everything
// inside it; the reader is left on its EndElement. Elements nested deeper
// than `maxDepth` are skipped (a hostile file), and so are more than
// `maxElements` in all; `truncated` tells when that happened.
XmlElement readElement(QXmlStreamReader& reader, bool* truncated = nullptr, int maxDepth = 64,
                       int maxElements = 200000);

} // namespace docx
