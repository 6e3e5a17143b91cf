// A presenter for tests: it records every model the services hand over, in order, and answers
// questions from a queue of scripted answers. A question that finds the queue empty is a
// mistake in the test and throws std::logic_error naming the question, so it cannot pass
// unnoticed.
//
// Contract that is easy to get wrong:
//  * Install it with dialogs::SetPresenter and uninstall it (SetPresenter(nullptr)) before it
//    is destroyed; ScopedPresenter does both.
//  * Answers are consumed by AskQuestion and AskRecovery alike, in call order.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "dialogs/presenter.h"

namespace dialogs {

class RecordingPresenter : public Presenter {
 public:
  enum class CallKind { kMessage, kQuestion, kRecovery, kShowWait, kHideWait };

  struct Call {
    CallKind kind;
    std::string caption;
    std::string text;        // message or question text; the file name for a recovery question
    MessageModel message;    // filled for kMessage
    QuestionModel question;  // filled for kQuestion
    RecoveryModel recovery;  // filled for kRecovery
    bool answer = false;     // the answer given to a question
  };

  // Queues the answer to the next question.
  void QueueAnswer(bool yes);
  size_t PendingAnswers() const { return answers_.size(); }

  const std::vector<Call>& calls() const { return calls_; }
  // The calls of one kind, in order.
  std::vector<Call> CallsOf(CallKind kind) const;
  void Clear();

  void ShowMessage(const MessageModel& model) override;
  bool AskQuestion(const QuestionModel& model) override;
  bool AskRecovery(const RecoveryModel& model) override;
  void ShowWait(const WaitModel& model) override;
  void HideWait() override;

 private:
  bool NextAnswer(const std::string& what);

  std::deque<bool> answers_;
  std::vector<Call> calls_;
};

// Installs a presenter for the lifetime of the scope and restores the previous one.
class ScopedPresenter {
 public:
  explicit ScopedPresenter(Presenter* presenter);
  ~ScopedPresenter();
  ScopedPresenter(const ScopedPresenter&) = delete;
  ScopedPresenter& operator=(const ScopedPresenter&) = delete;

 private:
  Presenter* previous_;
};

}  // namespace dialogs
