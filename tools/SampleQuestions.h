#pragma once

#include <QString>
#include <vector>

// The sample questions of the default bank. Content and answer are written in
// the markup of bankgen::SyntheticBodyBuilder: "\n" starts a new paragraph, "^{...}" is
// superscript, "_{...}" subscript, "*{...}" bold.
struct SampleQuestion
{
    QString type;
    QString knowledge1;
    QString knowledge2;
    QString knowledge3;
    QString difficulty;
    QString entranceExam; // 是 / 否
    QString enteredBy;
    QString enteredAt;
    QString content;
    QString answer;
};

const std::vector<SampleQuestion>& sampleQuestions();

// The question types of the default bank, in stored order.
const QStringList& defaultQuestionTypes();
