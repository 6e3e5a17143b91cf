// A presenter for programs without windows (the batch front end, and the services' default
// when nothing else is installed). Messages go to the error stream as "Caption: text" in UTF-8;
// questions are put on the terminal and answered with y or n; without a terminal a fixed
// policy answers.
//
// Contract that is easy to get wrong:
//  * "Terminal" means both the input and the output stream are terminals. A prompt that meets
//    the end of the input counts as No.
//  * The policy applies only when there is no terminal. kAnswerYes lets unattended runs go on
//    through every question (including the recovery question, which then replaces files);
//    choose it deliberately.
//  * The streams are borrowed, never closed.
#pragma once

#include <cstdio>

#include "dialogs/presenter.h"

namespace dialogs {

enum class NoTerminalPolicy {
  kAnswerYes,  // print the question, answer Yes
  kAnswerNo,   // print the question, answer No
  kTreatAsNo,  // print the question as unanswerable; it counts as No
};

class ConsolePresenter : public Presenter {
 public:
  // `in` and `out` default to the standard input and error streams. `interactive` decides
  // whether questions are prompted: by default, whether both streams are terminals.
  explicit ConsolePresenter(NoTerminalPolicy policy, std::FILE* in = nullptr,
                            std::FILE* out = nullptr);
  ConsolePresenter(NoTerminalPolicy policy, std::FILE* in, std::FILE* out, bool interactive);

  void ShowMessage(const MessageModel& model) override;
  bool AskQuestion(const QuestionModel& model) override;
  bool AskRecovery(const RecoveryModel& model) override;
  void ShowWait(const WaitModel& model) override;
  void HideWait() override;

 private:
  // Prompts (or applies the policy) for the already printed question.
  bool Answer();

  NoTerminalPolicy policy_;
  std::FILE* in_;
  std::FILE* out_;
  bool interactive_;
};

}  // namespace dialogs
