#pragma once

#include <QString>
#include <QTemporaryDir>

// A program directory with a fresh, empty bank in a temporary folder; the
// program directory points at it for as long as the object lives.
class TestBank
{
public:
    TestBank();
    ~TestBank();

    QString programDir() const { return dir_.path(); }
    QString bankPath() const;

private:
    QTemporaryDir dir_;
};
