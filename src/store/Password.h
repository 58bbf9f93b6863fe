#pragma once

#include <QString>

// Passwords are stored as Argon2id hashes, never as typed.
QString hashPassword(const QString& password);
// A cheaper hash for tests and generated banks; verifies the same way.
QString hashPasswordFast(const QString& password);
bool verifyPassword(const QString& storedHash, const QString& password);
