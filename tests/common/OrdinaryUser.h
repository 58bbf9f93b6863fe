#pragma once

#include <QStringList>

// Root writes into read-only files and folders, so a test of what a teacher
// meets with such a file runs that part as an ordinary account when the tests
// run as root (as they do in CI). Hands `paths` (files and folders) to that
// account and takes its identity until destroyed; does nothing for any other
// account, and nothing where there is no such notion.
class OrdinaryUser
{
public:
    explicit OrdinaryUser(const QStringList& paths);
    ~OrdinaryUser();
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;

private:
    bool switched_ = false;
};
