// The dialog services' presenter of the desktop program: every message, question, recovery
// question and please-wait window of the program is drawn by the windows of gui/. Installed
// by the program entry with dialogs::SetPresenter for the whole run.
//
// Contract that is easy to get wrong: the wait window releases itself on close; the presenter
// holds it through a QPointer, so HideWait never touches a released window.
#pragma once

#include <QPointer>

#include "dialogs/presenter.h"
#include "gui/wait_window.h"

namespace gui {

class QtPresenter : public dialogs::Presenter {
 public:
  ~QtPresenter() override;

  void ShowMessage(const dialogs::MessageModel& model) override;
  bool AskQuestion(const dialogs::QuestionModel& model) override;
  bool AskRecovery(const dialogs::RecoveryModel& model) override;
  void ShowWait(const dialogs::WaitModel& model) override;
  void HideWait() override;

  // The wait window while it is shown (tests and screenshots).
  TForm_Wait* WaitWindow() const { return wait_; }

 private:
  QPointer<TForm_Wait> wait_;
};

}  // namespace gui
