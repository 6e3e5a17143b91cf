// The display and file-name boundary of the stored texts. Stored texts are code page 874
// bytes; the console, the desktop windows and POSIX file names speak UTF-8. Every conversion
// between the two goes through here (over the platform's single code page table), so nothing
// else in the program converts by hand.
//
// Contract that is easy to get wrong:
//  * ToDisplay never fails: every byte has a character (unassigned bytes travel as private-use
//    characters and come back unchanged through FromDisplay).
//  * FromDisplay turns characters the code page cannot hold, and malformed UTF-8, into '?';
//    pass `lossless` to learn whether that happened (a typed name that cannot be stored must
//    be refused, not silently changed).
#pragma once

#include <string>
#include <string_view>

namespace util {

std::string ToDisplay(std::string_view cp874);
std::string FromDisplay(std::string_view utf8, bool* lossless = nullptr);

}  // namespace util
