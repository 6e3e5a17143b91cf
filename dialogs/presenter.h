// The seam between the message, question and wait services (dialogs/dialogs.h) and whatever
// draws them: the desktop program installs a window presenter, the batch front end a console
// presenter, tests a recording presenter. The services work out everything that is logic —
// captions, icons, the '?' of a question, the recovery question's size texts — and hand a
// finished model to the presenter, which only shows it and returns the answer.
//
// Contract that is easy to get wrong:
//  * All model texts are code page 874 bytes; converting them for display is the presenter's
//    job (util/display_text.h).
//  * A question's answer is true only for an explicit Yes. Every other ending (No, Esc, the
//    close box, no one to ask) is false.
//  * SetPresenter borrows the presenter; it must outlive its installation. With none
//    installed the services use a console presenter that answers no question with Yes.
//  * The services never nest wait windows: the presenter sees ShowWait and HideWait strictly
//    alternating, starting with ShowWait.
#pragma once

#include <string>

namespace dialogs {

// The kinds of the message window; the values are the suite's numbering.
enum class MessageKind { kInformation = 1, kError = 2, kWarning = 3 };

// The default button of a question; the values are the suite's numbering.
enum class DefaultButton { kYes = 1, kNo = 2 };

enum class Icon {
  kInformation,  // blue speech bubble with an i
  kError,        // red disc with a white cross
  kWarning,      // yellow triangle with an exclamation mark
  kQuestion,     // speech bubble with a question mark
};

// A message window with one OK button.
struct MessageModel {
  MessageKind kind = MessageKind::kInformation;
  std::string caption;  // "Information", "Error" or "Warning"
  std::string text;     // one line, shown as given
  Icon icon = Icon::kInformation;
  std::string ok_button;  // "OK", the default button
};

// A yes/no question.
struct QuestionModel {
  DefaultButton default_button = DefaultButton::kYes;
  std::string caption;          // "Confirm"
  std::string text;             // ends in '?' or '.'
  Icon icon = Icon::kQuestion;  // question for default Yes, warning for default No
  std::string yes_button;       // "&Yes" ('&' marks the access key)
  std::string no_button;        // "&No"
};

// The question about a file left behind by an interrupted repair: put the left-over back in
// place of the normal file (true), or stop (false).
struct RecoveryModel {
  std::string caption;         // "Attention!"
  std::string explanation;     // the paragraph above the details, word-wrapped
  std::string file_label;      // label of file_name
  std::string file_name;       // the left-over file, e.g. "ARFILE01.SAV"
  std::string leftover_label;  // label of leftover_size
  std::string leftover_size;   // e.g. "100,000 byte(s)"
  std::string normal_label;    // label of normal_size
  std::string normal_size;     // e.g. "50,000 byte(s)"
  std::string question;        // the line above the buttons
  std::string yes_button;      // "&Yes", the default button with the focus
  std::string no_button;       // "&No"
};

// The please-wait window: borderless, on top, takes no input.
struct WaitModel {
  std::string caption;  // "Please Wait..." (never visible)
  std::string text;     // "รอสักครู่..." in code page 874
};

class Presenter {
 public:
  virtual ~Presenter() = default;
  // Shows the message and returns when it was dismissed.
  virtual void ShowMessage(const MessageModel& model) = 0;
  // True only when Yes was chosen.
  virtual bool AskQuestion(const QuestionModel& model) = 0;
  // True only when Yes was chosen.
  virtual bool AskRecovery(const RecoveryModel& model) = 0;
  // Shows the wait window and returns at once, with the window painted.
  virtual void ShowWait(const WaitModel& model) = 0;
  virtual void HideWait() = 0;
};

// Installs the presenter the services use (nullptr: the default console presenter).
void SetPresenter(Presenter* presenter);
// The presenter in use (never nullptr).
Presenter* CurrentPresenter();
// The presenter installed with SetPresenter, or nullptr when the default is in use.
Presenter* InstalledPresenter();

}  // namespace dialogs
