// The only way the program shows a message, asks a yes/no question, brackets long work with
// the please-wait window, asks about files left by an interrupted repair, or reports progress
// texts. Each service builds its model (dialogs/presenter.h) and hands it to the installed
// presenter; callers in every layer above use these functions and never draw anything.
//
// Contract that is easy to get wrong:
//  * Texts are code page 874 bytes. A question whose last character is neither '?' nor '.'
//    gets a '?' appended; an empty question stays empty.
//  * Questions return true only for an explicit Yes.
//  * ShowWait while the wait window is already up, and HideWait while none is, do nothing.
//  * StatusTextHook receives the data file layer's progress texts; the installed hook does
//    nothing unless one is set with SetStatusTextHook.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "dialogs/presenter.h"

namespace dialogs {

// Captions and button texts.
inline constexpr char kInformationCaption[] = "Information";
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kWarningCaption[] = "Warning";
inline constexpr char kConfirmCaption[] = "Confirm";
inline constexpr char kOkButton[] = "OK";
inline constexpr char kYesButton[] = "&Yes";
inline constexpr char kNoButton[] = "&No";
inline constexpr char kWaitCaption[] = "Please Wait...";
inline constexpr char kRecoveryCaption[] = "Attention!";
inline constexpr char kSizeUnitSuffix[] = " byte(s)";

// The Thai texts, code page 874 bytes.
// "รอสักครู่..."
inline constexpr char kWaitText[] = "\xC3\xCD\xCA\xD1\xA1\xA4\xC3\xD9\xE8...";
// "แฟ้มข้อมูลที่ตรวจพบ:" (data file found)
inline constexpr char kRecoveryFileLabel[] =
    "\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1\xD9\xC5\xB7\xD5\xE8\xB5\xC3\xC7\xA8\xBE"
    "\xBA:";
// "ขนาดของ .SAV หรือ .IX~:" (size of .SAV or .IX~)
inline constexpr char kRecoveryLeftoverLabel[] =
    "\xA2\xB9\xD2\xB4\xA2\xCD\xA7 .SAV \xCB\xC3\xD7\xCD .IX~:";
// "ขนาดของ .DAT หรือ .IX:" (size of .DAT or .IX)
inline constexpr char kRecoveryNormalLabel[] =
    "\xA2\xB9\xD2\xB4\xA2\xCD\xA7 .DAT \xCB\xC3\xD7\xCD .IX:";
// "ท่านต้องการเปลี่ยนแฟ้มชั่วคราวกลับมาเป็นแฟ้มข้อมูลปกติ?" (turn the temporary file back
// into the normal data file?)
inline constexpr char kRecoveryQuestion[] =
    "\xB7\xE8\xD2\xB9\xB5\xE9\xCD\xA7\xA1\xD2\xC3\xE0\xBB\xC5\xD5\xE8\xC2\xB9"
    "\xE1\xBF\xE9\xC1\xAA\xD1\xE8\xC7\xA4\xC3\xD2\xC7\xA1\xC5\xD1\xBA\xC1\xD2"
    "\xE0\xBB\xE7\xB9\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1\xD9\xC5\xBB\xA1\xB5\xD4"
    "?";
// The explanation: a .SAV or .IX~ file was found, a temporary file of the repair of damaged
// data files that is deleted when the repair completes; compare the two sizes, the larger
// should be the real data file; back up before this step.
inline constexpr char kRecoveryExplanation[] =
    "\xE0\xB9\xD7\xE8\xCD\xA7\xA8\xD2\xA1 \xE2\xBB\xC3\xE1\xA1\xC3\xC1\xE4"
    "\xB4\xE9\xB5\xC3\xC7\xA8\xBE\xBA\xE1\xBF\xE9\xC1 .SAV \xCB\xC3\xD7\xCD ."
    "IX~ \xAB\xD6\xE8\xA7\xE0\xBB\xE7\xB9\xE1\xBF\xE9\xC1\xAA\xD1\xE8\xC7\xA4"
    "\xC3\xD2\xC7\xB7\xD5\xE8\xB6\xD9\xA1\xCA\xC3\xE9\xD2\xA7\xA2\xD6\xE9\xB9"
    "\xA2\xB3\xD0\xB7\xD3\xA1\xD2\xC3 \"\xE1\xA1\xE9\xE4\xA2\xE1\xBF\xE9\xC1"
    "\xA2\xE9\xCD\xC1\xD9\xC5\xB7\xD5\xE8\xE0\xCA\xD5\xC2\xCB\xD2\xC2\" \xAB"
    "\xD6\xE8\xA7\xA8\xD0\xB6\xD9\xA1\xC5\xBA\xE0\xC1\xD7\xE8\xCD\xA1\xD2\xC3"
    "\xB7\xD3\xA7\xD2\xB9\xE0\xCA\xC3\xE7\xA8\xCA\xC1\xBA\xD9\xC3\xB3\xEC "
    "\xE1\xB5\xE8\xCB\xD2\xA1\xA1\xD2\xC3\xB7\xD3\xA7\xD2\xB9\xC2\xD1\xA7\xE4"
    "\xC1\xE8\xCA\xC1\xBA\xD9\xC3\xB3\xEC \xE0\xAA\xE8\xB9 \xBC\xD9\xE9\xE3"
    "\xAA\xE9\xC2\xA1\xE0\xC5\xD4\xA1\xE0\xCD\xA7, \xE4\xBF\xB4\xD1\xBA \xCB"
    "\xC3\xD7\xCD\xBB\xD4\xB4\xE0\xA4\xC3\xD7\xE8\xCD\xA7\xA1\xC5\xD2\xA7\xA4"
    "\xD1\xB9 \xE1\xBF\xE9\xC1\xB4\xD1\xA7\xA1\xC5\xE8\xD2\xC7\xA8\xD0\xC2"
    "\xD1\xA7\xA4\xA7\xCD\xC2\xD9\xE8 \xB4\xD1\xA7\xB9\xD1\xE9\xB9 \xA8\xD6"
    "\xA7\xA2\xCD\xE3\xCB\xE9\xB7\xE8\xD2\xB9\xB7\xD3\xA1\xD2\xC3\xB5\xC3\xC7"
    "\xA8\xCA\xCD\xBA\xA2\xB9\xD2\xB4\xA2\xCD\xA7\xE1\xBF\xE9\xC1\xB7\xD1\xE9"
    "\xA7\xCA\xCD\xA7 \xAB\xD6\xE8\xA7\xB6\xE9\xD2\xCB\xD2\xA1\xE1\xBF\xE9"
    "\xC1\xE3\xB4\xC1\xD5\xA2\xB9\xD2\xB4\xE3\xCB\xAD\xE8\xA1\xC7\xE8\xD2 "
    "\xA1\xE7\xB9\xE8\xD2\xA8\xD0\xE0\xBB\xE7\xB9\xE1\xBF\xE9\xC1\xA2\xE9\xCD"
    "\xC1\xD9\xC5\xA8\xC3\xD4\xA7\xA2\xCD\xA7\xB7\xE8\xD2\xB9 \xA8\xD6\xA7"
    "\xA4\xC7\xC3\xC5\xBA\xE1\xBF\xE9\xC1\xA2\xE9\xCD\xC1\xD9\xC5\xB7\xD5\xE8"
    "\xE4\xC1\xE8\xB6\xD9\xA1\xB5\xE9\xCD\xA7\xE1\xC5\xD0\xE0\xBB\xC5\xD5\xE8"
    "\xC2\xB9\xE1\xBF\xE9\xC1 .SAV \xCB\xC3\xD7\xCD .IX~ \xA1\xC5\xD1\xBA\xC1"
    "\xD2\xE3\xAA\xE9\xA7\xD2\xB9 (\xCB\xC3\xD7\xCD\xE1\xA1\xE9\xE4\xA2) \xB5"
    "\xD2\xC1\xBB\xA1\xB5\xD4 (\xA4\xC7\xC3\xC1\xD5\xA1\xD2\xC3\xCA\xD3\xC3"
    "\xCD\xA7\xA2\xE9\xCD\xC1\xD9\xC5\xA1\xE8\xCD\xB9\xB7\xD3\xA2\xD1\xE9\xB9"
    "\xB5\xCD\xB9\xB9\xD5\xE9)";

// Messages.
void DisplayMessage(MessageKind kind, const std::string& text);
void ShowInformation(const std::string& text);  // kind Information
void ShowError(const std::string& text);        // kind Error

// Questions; true only when Yes was chosen.
bool AskForYesNo(DefaultButton default_button, const std::string& text);
bool AskYesNo(const std::string& text);  // default button Yes

// The question text as shown: '?' appended unless it ends in '?' or '.'.
std::string QuestionText(const std::string& text);

// The please-wait window around long work.
void ShowWait();
void HideWait();
bool WaitShown();

// Which check found the left-over file of an interrupted repair.
enum class RecoveryKind {
  kSaveFile,       // a .SAV beside its .DAT: both sizes shown with " byte(s)"
  kIndexTempFile,  // a .IX~ beside its .IX (or none): sizes shown as bare numbers
};

// Asks whether to put the left-over file `file_name` back in place of the normal file. The
// sizes are shown with thousands commas ("100,000"); a normal file that is missing shows 0.
// True only when Yes was chosen.
bool AskRecovery(RecoveryKind kind, const std::string& file_name,
                 std::optional<uint64_t> normal_size, uint64_t leftover_size);
// The size text as the recovery question shows it ("100,000 byte(s)" for kSaveFile).
std::string RecoverySizeText(RecoveryKind kind, uint64_t size);

// Progress texts of the data file layer go to the installed hook (initially one that does
// nothing). An empty function installs the do-nothing hook again.
using StatusTextFunction = std::function<void(const std::string& text)>;
void SetStatusTextHook(StatusTextFunction hook);
void StatusTextHook(const std::string& text);

}  // namespace dialogs
