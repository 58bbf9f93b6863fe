#pragma once

#include <QString>

// The engine's message about a formula it cannot typeset, in Chinese where
// it is one a teacher meets (a brace too few, a misspelt command, two
// superscripts in a row); any other message as the engine gave it.
QString chineseFormulaError(const QString& message);
