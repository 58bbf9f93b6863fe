#pragma once

// Settings of the store that hold for the whole process, and the way it
// tells the user of what it did on its own.

#include <functional>
#include <QString>

// How long a statement waits for another connection's lock before it fails
// with a store error (default 5000 ms). Applies to connections opened later.
void setBankBusyTimeout(int ms);
int bankBusyTimeoutMs();

// Where the store tells the user of something it did on its own that is no
// failure: a restore cut off earlier and undone when the bank was opened.
// Without a handler (an empty function) the text goes to standard error.
void setBankNoticeHandler(std::function<void(const QString& text)> handler);
// Tells the user through that handler (for the store's own files).
void noticeBank(const QString& text);
