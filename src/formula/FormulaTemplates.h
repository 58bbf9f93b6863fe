#pragma once

#include <QList>
#include <QString>

// The palette of the formula editor: what a junior-middle-school maths
// teacher types most, in groups.
struct FormulaTemplate
{
    QString label; // what the button shows
    QString tip;   // what it is, in words
    QString latex; // inserted at the caret
    int caret = 0; // where the caret goes in `latex` afterwards (inside the first blank)
};

struct FormulaTemplateGroup
{
    QString name;
    QList<FormulaTemplate> templates;
};

const QList<FormulaTemplateGroup>& formulaTemplateGroups();
