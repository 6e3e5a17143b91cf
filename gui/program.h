// The desktop program's entry, apart from the application object: fixes the environment,
// installs the window presenter, runs the main window's start-up (the company dialog first),
// shows the main window and runs the event loop until it has closed.
//
// Called by main() and by the end-to-end test, which drives the windows through the modal
// hook of form_helpers.h.
//
// Contract that is easy to get wrong: a QApplication must exist. The result is the process's
// exit code: 0 for every ordinary end (no company chosen, Exit, the end of the import, a
// start-up stopped by a reported failure); 1 only when the environment cannot be fixed.
#pragma once

namespace gui {

int RunProgram();

// Set by the start-up timing probe: the program prints the milliseconds from the entry to the
// first company window and ends as if the user had left the dialog.
void EnableStartupProbe();

}  // namespace gui
