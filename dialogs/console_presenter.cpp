#include "dialogs/console_presenter.h"

#include <string>

#include "util/display_text.h"

#if defined(_WIN32)
#include <io.h>
#define IMPCUST_ISATTY _isatty
#define IMPCUST_FILENO _fileno
#else
#include <unistd.h>
#define IMPCUST_ISATTY isatty
#define IMPCUST_FILENO fileno
#endif

namespace dialogs {
namespace {

bool IsTerminal(std::FILE* f) { return f != nullptr && IMPCUST_ISATTY(IMPCUST_FILENO(f)) != 0; }

void Print(std::FILE* out, const std::string& utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), out);
  std::fflush(out);
}

}  // namespace

ConsolePresenter::ConsolePresenter(NoTerminalPolicy policy, std::FILE* in, std::FILE* out)
    : policy_(policy),
      in_(in != nullptr ? in : stdin),
      out_(out != nullptr ? out : stderr),
      interactive_(IsTerminal(in_) && IsTerminal(out_)) {}

ConsolePresenter::ConsolePresenter(NoTerminalPolicy policy, std::FILE* in, std::FILE* out,
                                   bool interactive)
    : policy_(policy),
      in_(in != nullptr ? in : stdin),
      out_(out != nullptr ? out : stderr),
      interactive_(interactive) {}

void ConsolePresenter::ShowMessage(const MessageModel& model) {
  Print(out_, model.caption + ": " + util::ToDisplay(model.text) + "\n");
}

bool ConsolePresenter::AskQuestion(const QuestionModel& model) {
  Print(out_, model.caption + ": " + util::ToDisplay(model.text) + "\n");
  return Answer();
}

bool ConsolePresenter::AskRecovery(const RecoveryModel& model) {
  std::string text = model.caption + "\n" + util::ToDisplay(model.explanation) + "\n";
  text += "  " + util::ToDisplay(model.file_label) + " " + util::ToDisplay(model.file_name) + "\n";
  text += "  " + util::ToDisplay(model.leftover_label) + " " +
          util::ToDisplay(model.leftover_size) + "\n";
  text +=
      "  " + util::ToDisplay(model.normal_label) + " " + util::ToDisplay(model.normal_size) + "\n";
  text += util::ToDisplay(model.question) + "\n";
  Print(out_, text);
  return Answer();
}

void ConsolePresenter::ShowWait(const WaitModel& model) {
  Print(out_, util::ToDisplay(model.text) + "\n");
}

void ConsolePresenter::HideWait() {}

bool ConsolePresenter::Answer() {
  if (!interactive_) {
    switch (policy_) {
      case NoTerminalPolicy::kAnswerYes:
        Print(out_, "(no terminal: answered Yes)\n");
        return true;
      case NoTerminalPolicy::kAnswerNo:
        Print(out_, "(no terminal: answered No)\n");
        return false;
      case NoTerminalPolicy::kTreatAsNo:
        break;
    }
    Print(out_, "(no terminal to ask: taken as No)\n");
    return false;
  }
  for (;;) {
    Print(out_, "[y/n] ");
    std::string line;
    int c;
    while ((c = std::fgetc(in_)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
    if (c == EOF && line.empty()) {
      Print(out_, "\n");
      return false;
    }
    // Leading and trailing blanks (and a CR of a CR LF) do not matter.
    const size_t first = line.find_first_not_of(" \t\r");
    const size_t last = line.find_last_not_of(" \t\r");
    const std::string word = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    if (word == "y" || word == "Y" || word == "yes" || word == "Yes" || word == "YES") return true;
    if (word == "n" || word == "N" || word == "no" || word == "No" || word == "NO") return false;
    if (c == EOF) return false;
  }
}

}  // namespace dialogs
