#pragma once

// tiku --start-check: the start as a teacher meets it, without the teacher.
// The package check starts an installed copy this way as an ordinary user.
namespace StartCheck {

// Looks at the bank the way the login window does when it shows: 0 when it
// can be used, else 1 with the reason on standard error. The windows are
// only shown for a bank that can be used, so that no box waits for a click.
int checkBank();

// The cover sweeps at once and the about window goes on by itself; once the
// login window is on the screen the program prints
// "login window shown; bank: PATH" and ends with exit code 0. Exit code 3
// says that the login window did not show within `timeLimitMs`.
void quitOnceLoginShows(int timeLimitMs = 60000);

} // namespace StartCheck
