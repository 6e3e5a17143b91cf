// "End the program" as a controlled request. The access layer never exits the process: when
// a fatal data file failure has been reported, or the user has answered No to a question
// that offers no way on, it asks the installed handler to end the program. The desktop
// program closes its main window (or exits at once during start-up), the batch front end
// leaves with its fatal exit code, tests record the request.
//
// Contract that is easy to get wrong:
//  * The handler may return. From the request on, EndRequested() is true and the access layer
//    refuses further work that would change data (AddWithKeys, FindWithRetry and OpenOrCreate
//    leave AccessOk false and call nothing in the engine); only closing (CloseChecked,
//    CloseCompanyFiles) still works, so the close sequence can run. The operation that made
//    the request goes no further.
//  * Only the first request of a run reaches the handler; later ones are absorbed until
//    ClearEndRequest (a new run, or a test).
//  * Without a handler the request is only recorded.
#pragma once

#include <cstdint>
#include <functional>

namespace fileaccess {

enum class EndReason {
  kFatalFileError,  // ReportFileError: an engine failure that cannot be gone past
  kOpenFailed,      // a company data file set could not be opened (ends with exit code 0)
  kUserDeclined,    // No at the lock question or at a recovery prompt
  kSideFileError,   // a side file could not be read or written
};

struct EndRequest {
  EndReason reason = EndReason::kFatalFileError;
  int32_t status_code = 0;  // engine status or OS error behind it; 0 when none
};

using EndProgramHandler = std::function<void(const EndRequest&)>;

// Installs the handler (an empty function removes it). Returns the previous one.
EndProgramHandler SetEndProgramHandler(EndProgramHandler handler);

// Records the request and, the first time, calls the handler.
void RequestEndProgram(const EndRequest& request);

bool EndRequested();
const EndRequest& LastEndRequest();
void ClearEndRequest();

}  // namespace fileaccess
