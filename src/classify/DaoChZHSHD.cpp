#include "classify/DaoChZHSHD.h"

#include "classify/ClassificationExport.h"

using namespace Qt::StringLiterals;

DaoChZHSHD::DaoChZHSHD(QWidget* parent)
    : ClassificationExportWindow(u"导出知识点到WORD"_s, u"知识点"_s, {5160, 7200}, {3500, 200}, parent)
{
    setObjectName(u"DaoChZHSHD"_s);
}

void DaoChZHSHD::exportInto(BankStore& store, QTextDocument* doc)
{
    exportKnowledgePoints(store, doc);
}
