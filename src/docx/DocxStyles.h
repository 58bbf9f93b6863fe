#pragma once

#include "docx/DocxModel.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

// The styles of a Word document (styles.xml, with the fonts of its theme):
// what a run and a paragraph look like once the document defaults, the
// paragraph style, the character style and the direct formatting are laid
// over one another, as Word does.
namespace docx {

struct XmlElement;

// Run properties as one layer gives them: unset means "as the layer below".
struct RunProps
{
    std::optional<bool> bold, italic, strike, hidden;
    std::optional<Underline> underline;
    std::optional<Emphasis> emphasis;
    std::optional<VerticalAlign> vertical;
    std::optional<QColor> color, highlight;
    std::optional<double> pointSize;
    std::optional<QString> latinFont, eastAsiaFont;
    std::optional<QString> latinTheme, eastAsiaTheme; // e.g. "minorHAnsi"

    // Lays `over` on top of this.
    void overlay(const RunProps& over);
};

// A list reference as a paragraph or its style gives it.
struct NumberingRef
{
    std::optional<int> numId;
    std::optional<int> level;
};

struct ParaProps
{
    std::optional<Alignment> alignment;
    std::optional<double> leftIndent, firstIndent; // points
    std::optional<int> outlineLevel;
    std::optional<bool> pageBreakBefore;
    NumberingRef numbering;

    void overlay(const ParaProps& over);
};

// A w:rPr and a w:pPr element read into their layer.
RunProps readRunProps(const XmlElement& rPr);
ParaProps readParaProps(const XmlElement& pPr);

class DocxStyles
{
public:
    // Reads styles.xml and theme1.xml (either may be empty); what is
    // damaged in them is skipped.
    void read(const QByteArray& stylesXml, const QByteArray& themeXml);

    // The run properties of the document defaults and the paragraph style
    // `paragraphStyle` (its whole chain of basedOn).
    RunProps paragraphRunProps(const QString& paragraphStyle) const;
    // The run properties of the character style `characterStyle`.
    RunProps characterRunProps(const QString& characterStyle) const;
    // The paragraph properties of the defaults and the paragraph style.
    ParaProps paragraphProps(const QString& paragraphStyle) const;
    // The style that a paragraph without one has ("Normal").
    QString defaultParagraphStyle() const { return defaultParagraph_; }

    // The run format that `props` (all layers laid over one another) gives,
    // with theme fonts resolved.
    RunFormat resolve(const RunProps& props) const;

private:
    struct Style
    {
        QString basedOn;
        bool paragraph = true;
        RunProps run;
        ParaProps para;
    };
    const Style* style(const QString& id) const;

    QHash<QString, Style> styles_;
    RunProps defaultRun_;
    ParaProps defaultPara_;
    QString defaultParagraph_;
    QHash<QString, QString> themeFonts_; // "minorHAnsi" -> "Calibri", "minorEastAsia" -> "等线"
};

} // namespace docx
