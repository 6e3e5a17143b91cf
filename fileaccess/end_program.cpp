#include "fileaccess/end_program.h"

#include <utility>

namespace fileaccess {

namespace {

struct EndState {
  EndProgramHandler handler;
  bool requested = false;
  EndRequest last;
};

EndState& State() {
  static EndState state;
  return state;
}

}  // namespace

EndProgramHandler SetEndProgramHandler(EndProgramHandler handler) {
  return std::exchange(State().handler, std::move(handler));
}

void RequestEndProgram(const EndRequest& request) {
  EndState& s = State();
  if (s.requested) return;
  s.requested = true;
  s.last = request;
  if (s.handler) s.handler(request);
}

bool EndRequested() { return State().requested; }

const EndRequest& LastEndRequest() { return State().last; }

void ClearEndRequest() {
  State().requested = false;
  State().last = EndRequest();
}

}  // namespace fileaccess
