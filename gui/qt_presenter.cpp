#include "gui/qt_presenter.h"

#include <QCoreApplication>

#include "gui/fix_recov.h"
#include "gui/form_helpers.h"
#include "gui/message_windows.h"
#include "gui/wait_window.h"

namespace gui {

QtPresenter::~QtPresenter() { HideWait(); }

void QtPresenter::ShowMessage(const dialogs::MessageModel& model) {
  TForm_DisplayMessage form(model);
  RunModal(&form);
}

bool QtPresenter::AskQuestion(const dialogs::QuestionModel& model) {
  TForm_AskForYesNo form(model);
  return RunModal(&form) == QDialog::Accepted;
}

bool QtPresenter::AskRecovery(const dialogs::RecoveryModel& model) {
  TForm_FixRecov form(model);
  return RunModal(&form) == QDialog::Accepted;
}

void QtPresenter::ShowWait(const dialogs::WaitModel& model) {
  auto* form = new TForm_Wait(ToDisplay(model.text));
  form->setWindowTitle(ToDisplay(model.caption));
  wait_ = form;
  form->show();
  // Painted now: the caller's long work does not let the event loop run.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtPresenter::HideWait() {
  if (!wait_.isNull()) wait_->close();
  wait_.clear();
}

}  // namespace gui
