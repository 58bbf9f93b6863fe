#pragma once

#include <QString>

// The outcome of one login attempt, decided without any window.
struct LoginOutcome
{
    enum Kind { EmptyName, EmptyPassword, NoSuchUser, WrongPassword, LoggedIn };
    Kind kind = EmptyName;
    QString userName;   // the trimmed name
    QString role;       // the role of the first row whose password verifies
    qint64 userId = -1; // that row's identity
};

// Checks a typed name and password against 登录表. The name is trimmed and
// compared without Latin letter case; the password is compared exactly as
// typed. Throws StoreError when the bank cannot be read.
LoginOutcome checkLogin(const QString& typedName, const QString& typedPassword);
