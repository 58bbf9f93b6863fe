#pragma once

#include <QString>
#include <functional>

class QWidget;
struct StoreError;

// The one place where a failure of the bank store reaches the user: a message
// box with the error number and the engine's text. The action stops there and
// the program goes on.
QString storeErrorText(const StoreError& e);
void reportStoreError(QWidget* parent, const StoreError& e);

// Runs one user action; a StoreError thrown inside is reported and ends the
// action. Returns false when the action was stopped that way.
bool runStoreAction(QWidget* parent, const std::function<void()>& action);
