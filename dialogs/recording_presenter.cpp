#include "dialogs/recording_presenter.h"

#include <stdexcept>

namespace dialogs {

void RecordingPresenter::QueueAnswer(bool yes) { answers_.push_back(yes); }

std::vector<RecordingPresenter::Call> RecordingPresenter::CallsOf(CallKind kind) const {
  std::vector<Call> out;
  for (const Call& c : calls_) {
    if (c.kind == kind) out.push_back(c);
  }
  return out;
}

void RecordingPresenter::Clear() {
  calls_.clear();
  answers_.clear();
}

bool RecordingPresenter::NextAnswer(const std::string& what) {
  if (answers_.empty()) {
    throw std::logic_error("RecordingPresenter: no scripted answer for the question \"" + what +
                           "\"");
  }
  const bool answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void RecordingPresenter::ShowMessage(const MessageModel& model) {
  Call call{CallKind::kMessage, model.caption, model.text, model, {}, {}, false};
  calls_.push_back(std::move(call));
}

bool RecordingPresenter::AskQuestion(const QuestionModel& model) {
  Call call{CallKind::kQuestion, model.caption, model.text, {}, model, {}, false};
  call.answer = NextAnswer(model.text);
  calls_.push_back(call);
  return call.answer;
}

bool RecordingPresenter::AskRecovery(const RecoveryModel& model) {
  Call call{CallKind::kRecovery, model.caption, model.file_name, {}, {}, model, false};
  call.answer = NextAnswer(model.file_name);
  calls_.push_back(call);
  return call.answer;
}

void RecordingPresenter::ShowWait(const WaitModel& model) {
  calls_.push_back(Call{CallKind::kShowWait, model.caption, model.text, {}, {}, {}, false});
}

void RecordingPresenter::HideWait() {
  calls_.push_back(Call{CallKind::kHideWait, "", "", {}, {}, {}, false});
}

ScopedPresenter::ScopedPresenter(Presenter* presenter) : previous_(InstalledPresenter()) {
  SetPresenter(presenter);
}

ScopedPresenter::~ScopedPresenter() { SetPresenter(previous_); }

}  // namespace dialogs
