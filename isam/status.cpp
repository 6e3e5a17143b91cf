#include "isam/status.h"

#include "isam/engine.h"
#include "isam/isam.h"

namespace isam {

void ClearStatus() {
  EngineStatus& s = Eng().status;
  s.ok = true;
  s.code = 0;
  s.failed_call = 0;
  s.failed_os = 0;
}

void Fail(int32_t code) {
  EngineStatus& s = Eng().status;
  s.ok = false;
  s.code = code;
}

void RecordFailure(uint16_t call, int32_t os_error) {
  EngineStatus& s = Eng().status;
  s.last_call = call;
  s.last_os = os_error;
  if (s.failed_os == 0) {
    s.failed_call = call;
    s.failed_os = os_error;
  }
}

bool StatusOk() { return Eng().status.ok; }
int32_t StatusCode() { return Eng().status.code; }
uint16_t FailedCallCode() { return Eng().status.failed_call; }
int32_t FailedOsError() { return Eng().status.failed_os; }
int StatusClass() { return StatusClassOf(Eng().status.code); }

int StatusClassOf(int32_t code) {
  if (code == 0) return 0;
  if (code == 9903 || (code >= 10200 && code <= 10299) || code == 10410) return 1;
  switch (code) {
    case 9900:
    case 10065:
    case 10110:
    case 10306:
    case 10330:
    case 10332:
    case 10335:
    case 10355:
    case 10360:
    case 10390:
    case 10397:
    case 10399:
      return 2;
    default:
      break;
  }
  if (code >= 10001 && code <= 10009) return 3;
  return 4;
}

}  // namespace isam
