#include "docx/XmlElement.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace docx {

QStringView namespacePrefix(QStringView uri)
{
    // Transitional (ECMA) and strict (ISO) names of the same vocabularies.
    struct Known
    {
        QStringView uri;
        QStringView prefix;
    };
    static const Known known[] = {
        {u"http://schemas.openxmlformats.org/wordprocessingml/2006/main", u"w"},
        {u"http://purl.oclc.org/ooxml/wordprocessingml/main", u"w"},
        {u"http://schemas.openxmlformats.org/officeDocument/2006/math", u"m"},
        {u"http://purl.oclc.org/ooxml/officeDocument/math", u"m"},
        {u"http://schemas.openxmlformats.org/officeDocument/2006/relationships", u"r"},
        {u"http://purl.oclc.org/ooxml/officeDocument/relationships", u"r"},
        {u"http://schemas.openxmlformats.org/drawingml/2006/main", u"a"},
        {u"http://purl.oclc.org/ooxml/drawingml/main", u"a"},
        {u"http://schemas.openxmlformats.org/drawingml/2006/picture", u"pic"},
        {u"http://purl.oclc.org/ooxml/drawingml/picture", u"pic"},
        {u"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", u"wp"},
        {u"http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing", u"wp"},
        {u"urn:schemas-microsoft-com:vml", u"v"},
        {u"urn:schemas-microsoft-com:office:office", u"o"},
        {u"http://schemas.openxmlformats.org/markup-compatibility/2006", u"mc"},
        {u"http://schemas.microsoft.com/office/word/2010/wordprocessingShape", u"wps"},
        {u"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup", u"wpg"},
        {u"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas", u"wpc"},
        {u"http://schemas.openxmlformats.org/package/2006/relationships", u"pr"},
        {u"http://schemas.openxmlformats.org/package/2006/content-types", u"ct"},
    };
    for (const Known& k : known) {
        if (k.uri == uri)
            return k.prefix;
    }
    return u"?";
}

QString prefixedName(const QXmlStreamReader& reader)
{
    return namespacePrefix(reader.namespaceUri()).toString() + u':' + reader.name().toString();
}

const XmlElement* XmlElement::child(QStringView n) const
{
    for (const XmlElement& c : children) {
        if (c.name == n)
            return &c;
    }
    return nullptr;
}

QString XmlElement::attribute(QStringView n, const QString& fallback) const
{
    for (const auto& [key, value] : attributes) {
        if (key == n)
            return value;
    }
    return fallback;
}

bool XmlElement::hasAttribute(QStringView n) const
{
    for (const auto& a : attributes) {
        if (a.first == n)
            return true;
    }
    return false;
}

QString XmlElement::childValue(QStringView n, const QString& fallback) const
{
    const XmlElement* c = child(n);
    if (!c)
        return fallback;
    for (const auto& [key, value] : c->attributes) {
        if (key == u"m:val" || key == u"w:val")
            return value;
    }
    // A property present without a value is on (<m:degHide/>).
    return u"on"_s;
}

namespace {

void fill(XmlElement& e, const QXmlStreamReader& reader)
{
    e.name = prefixedName(reader);
    const QXmlStreamAttributes attrs = reader.attributes();
    e.attributes.reserve(std::size_t(attrs.size()));
    for (const QXmlStreamAttribute& a : attrs) {
        // Unprefixed attributes have no namespace; Office writes its own prefixed.
        const QString key = a.namespaceUri().isEmpty()
                                ? a.name().toString()
                                : namespacePrefix(a.namespaceUri()).toString() + u':' + a.name().toString();
        e.attributes.emplace_back(key, a.value().toString());
    }
}

} // namespace

XmlElement readElement(QXmlStreamReader& reader, bool* truncated, int maxDepth, int maxElements)
{
    XmlElement root;
    fill(root, reader);
    // An explicit stack: a deeply nested file never deepens the call stack.
    std::vector<XmlElement*> stack{&root};
    int skipping = 0; // depth inside an element that is not kept
    int elements = 1;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType t = reader.readNext();
        if (t == QXmlStreamReader::StartElement) {
            if (skipping > 0 || int(stack.size()) >= maxDepth || elements >= maxElements) {
                ++skipping;
                if (truncated)
                    *truncated = true;
                continue;
            }
            ++elements;
            XmlElement& parent = *stack.back();
            parent.children.emplace_back();
            fill(parent.children.back(), reader);
            stack.push_back(&parent.children.back());
        } else if (t == QXmlStreamReader::EndElement) {
            if (skipping > 0) {
                --skipping;
                continue;
            }
            stack.pop_back();
            if (stack.empty())
                break;
        } else if (t == QXmlStreamReader::Characters && skipping == 0) {
            stack.back()->text += reader.text();
        }
    }
    return root;
}

} // namespace docx
