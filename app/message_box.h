// The viewer's warning message box, shown for everything that reaches the error
// and warning sinks.
#pragma once

#include <QMessageBox>
#include <memory>

// The box ShowWarningBox shows, not yet shown: at least as wide as its
// caption needs.
std::unique_ptr<QMessageBox> MakeWarningBox(const char* caption, const char* text);

// An ownerless, modal box with a warning icon and one OK button. Returns 1 (OK).
int ShowWarningBox(const char* caption, const char* text);

// Makes the sinks' WarningBox show ShowWarningBox instead of writing to standard error.
void InstallWarningBox();
