#pragma once

// The records the windows, tools and tests pass around: one row of a bank
// table each. Every record turns into column values (fields()) and back from a
// row read in table order (fromRow()) in exactly one place, here.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

// Column values of one row to write, by column name, in the order given.
using FieldValues = std::vector<std::pair<QString, QVariant>>;

// A three-level knowledge point: level 1 / level 2 / level 3.
struct KnowledgePath
{
    QString level1{};
    QString level2{};
    QString level3{};

    bool operator==(const KnowledgePath&) const = default;

    // The columns of 知识点表 (the identifier is the store's).
    FieldValues fields() const;
    // A row of 知识点表 in table order: identifier, then the three levels.
    static KnowledgePath fromRow(const QVariantList& row);
};

// One row of 数学题库. The bodies are whole RTF documents, as bytes.
struct QuestionRecord
{
    QString number{};
    QString type{};
    KnowledgePath path{};
    QString difficulty{};
    QByteArray content{};
    QByteArray answer{};
    QString entranceExam{}; // 是 / 否
    QString enteredBy{};
    QString enteredAt{};

    bool operator==(const QuestionRecord&) const = default;

    // The eleven columns by name, in table order.
    FieldValues fields() const;
    // A row of 数学题库 in table order.
    static QuestionRecord fromRow(const QVariantList& row);
};

// One row of 题型表.
struct QuestionType
{
    qint64 id = 0; // assigned by the store
    QString name{};

    bool operator==(const QuestionType&) const = default;
    FieldValues fields() const;
    static QuestionType fromRow(const QVariantList& row);
};

// One row of 登录表. The password is stored as an Argon2id hash.
struct UserRecord
{
    QString name{};
    QString passwordHash{};
    QString role{};

    bool operator==(const UserRecord&) const = default;
    FieldValues fields() const;
    static UserRecord fromRow(const QVariantList& row);
};

// A row of 登录表 and its identity (the row's own, not a column).
struct StoredUser
{
    qint64 id = -1;
    UserRecord user{};

    bool operator==(const StoredUser&) const = default;
};

// A rich-text body as a column holds it, and back. RTF is 7-bit text with
// escapes; a stored value with characters beyond Latin-1 (written by some
// other program) comes back as UTF-8 so that nothing is dropped.
QVariant bodyColumnValue(const QByteArray& rtf);
QByteArray bodyFromColumn(const QVariant& value);
