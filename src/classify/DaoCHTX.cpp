#include "classify/DaoCHTX.h"

#include "classify/ClassificationExport.h"

using namespace Qt::StringLiterals;

DaoCHTX::DaoCHTX(QWidget* parent)
    : ClassificationExportWindow(u"导出题型到WORD"_s, u"题型"_s, {3700, 6150}, {4000, 200}, parent)
{
    setObjectName(u"DaoCHTX"_s);
}

void DaoCHTX::exportInto(BankStore& store, QTextDocument* doc)
{
    exportQuestionTypes(store, doc);
}
