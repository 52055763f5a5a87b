#pragma once
// The application's default error display. Qt must not see an exception leave a
// slot, so every command, timer tick and start/stop step runs through RunGuarded:
// a file error (or any std::exception) ends the step, its text is shown in a
// message box, and the program goes on with what was done so far.

#include <QString>

#include <functional>

class QWidget;

// Shows one error text. Tests replace it to collect the texts instead of showing
// a modal box; the default shows a QMessageBox with the warning icon.
using TAppErrorDisplay = std::function<void(QWidget* Parent, const QString& Text)>;
TAppErrorDisplay& AppErrorDisplay();

// Shows Text through AppErrorDisplay.
void ShowAppError(QWidget* Parent, const QString& Text);

// Runs Step; an escaping exception is shown and swallowed. True when Step finished.
bool RunGuarded(QWidget* Parent, const std::function<void()>& Step);
