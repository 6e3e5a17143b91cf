#include "dialogs/dialogs.h"

#include "dialogs/console_presenter.h"
#include "util/numbers.h"

namespace dialogs {
namespace {

Presenter* g_presenter = nullptr;
bool g_wait_shown = false;

StatusTextFunction& Hook() {
  static StatusTextFunction hook;
  return hook;
}

const char* CaptionOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kError:
      return kErrorCaption;
    case MessageKind::kWarning:
      return kWarningCaption;
    case MessageKind::kInformation:
      break;
  }
  return kInformationCaption;
}

Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kError:
      return Icon::kError;
    case MessageKind::kWarning:
      return Icon::kWarning;
    case MessageKind::kInformation:
      break;
  }
  return Icon::kInformation;
}

}  // namespace

void SetPresenter(Presenter* presenter) { g_presenter = presenter; }

Presenter* InstalledPresenter() { return g_presenter; }

Presenter* CurrentPresenter() {
  if (g_presenter != nullptr) return g_presenter;
  static ConsolePresenter fallback(NoTerminalPolicy::kTreatAsNo);
  return &fallback;
}

void DisplayMessage(MessageKind kind, const std::string& text) {
  MessageModel model;
  model.kind = kind;
  model.caption = CaptionOf(kind);
  model.text = text;
  model.icon = IconOf(kind);
  model.ok_button = kOkButton;
  CurrentPresenter()->ShowMessage(model);
}

void ShowInformation(const std::string& text) { DisplayMessage(MessageKind::kInformation, text); }

void ShowError(const std::string& text) { DisplayMessage(MessageKind::kError, text); }

std::string QuestionText(const std::string& text) {
  if (text.empty() || text.back() == '?' || text.back() == '.') return text;
  return text + "?";
}

bool AskForYesNo(DefaultButton default_button, const std::string& text) {
  QuestionModel model;
  model.default_button = default_button;
  model.caption = kConfirmCaption;
  model.text = QuestionText(text);
  model.icon = default_button == DefaultButton::kNo ? Icon::kWarning : Icon::kQuestion;
  model.yes_button = kYesButton;
  model.no_button = kNoButton;
  return CurrentPresenter()->AskQuestion(model);
}

bool AskYesNo(const std::string& text) { return AskForYesNo(DefaultButton::kYes, text); }

void ShowWait() {
  if (g_wait_shown) return;
  WaitModel model;
  model.caption = kWaitCaption;
  model.text = kWaitText;
  g_wait_shown = true;
  CurrentPresenter()->ShowWait(model);
}

void HideWait() {
  if (!g_wait_shown) return;
  g_wait_shown = false;
  CurrentPresenter()->HideWait();
}

bool WaitShown() { return g_wait_shown; }

std::string RecoverySizeText(RecoveryKind kind, uint64_t size) {
  std::string text = util::FormatWholeAmount(0, static_cast<double>(size));
  if (kind == RecoveryKind::kSaveFile) text += kSizeUnitSuffix;
  return text;
}

bool AskRecovery(RecoveryKind kind, const std::string& file_name,
                 std::optional<uint64_t> normal_size, uint64_t leftover_size) {
  RecoveryModel model;
  model.caption = kRecoveryCaption;
  model.explanation = kRecoveryExplanation;
  model.file_label = kRecoveryFileLabel;
  model.file_name = file_name;
  model.leftover_label = kRecoveryLeftoverLabel;
  model.leftover_size = RecoverySizeText(kind, leftover_size);
  model.normal_label = kRecoveryNormalLabel;
  model.normal_size = RecoverySizeText(kind, normal_size.value_or(0));
  model.question = kRecoveryQuestion;
  model.yes_button = kYesButton;
  model.no_button = kNoButton;
  return CurrentPresenter()->AskRecovery(model);
}

void SetStatusTextHook(StatusTextFunction hook) { Hook() = std::move(hook); }

void StatusTextHook(const std::string& text) {
  if (Hook()) Hook()(text);
}

}  // namespace dialogs
