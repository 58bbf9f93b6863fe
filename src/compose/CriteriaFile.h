#pragma once

#include "compose/CompositionCriteria.h"

#include <QByteArray>
#include <QString>
#include <vector>

// A criteria file for composing from a script: UTF-8 text, a header line that
// names the nine criteria columns (题型, 知识点一, 知识点二, 知识点三, 难度,
// 是否中考题, 录入人, 录入时间, 题目编号) separated by tabs, then one line per
// question with its nine values separated by tabs; an empty value means any.
struct CriteriaFile
{
    std::vector<CompositionCriteria> questions{};
    QString error{}; // names the line; empty when the file was read

    bool ok() const { return error.isEmpty(); }
    static CriteriaFile parse(const QByteArray& bytes);
};
