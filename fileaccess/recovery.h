// Checks for the left-overs of an interrupted repair, run by OpenOrCreate before every open
// of a data file set. The suite's repair function keeps the previous data file as B.SAV and
// the previous index as B.IX~ (B: the set's name cut to 12 characters) and deletes them when
// it finishes; if one is still there, the user is shown both sizes and asked whether to put
// the left-over back. Any answer but Yes ends the program before the set is opened.
//
// Contract that is easy to get wrong:
//  * The .SAV check asks only when both B.SAV and B.DAT can be opened for reading; its sizes
//    carry " byte(s)". The .IX~ check asks whenever B.IX~ can be read, showing 0 for a missing
//    index, and its sizes carry no suffix.
//  * A Yes at the .SAV check restores the index left-over as well. B.DAT is replaced only
//    after it was deleted successfully, so a data file in use is never lost (the prompt then
//    comes again at the next start). Delete and rename failures are not reported.
//  * Names are relative to the current directory; files go through the engine's Env.
#pragma once

#include <string>

namespace fileaccess {

// Each returns true when the open may go on, false when the program was ended (No).
bool CheckSaveFile(const std::string& name);
bool CheckIndexTempFile(const std::string& name);
void RestoreRepairFiles(const std::string& base);

// B: the name cut to its first 12 characters.
std::string RepairBaseName(const std::string& name);

}  // namespace fileaccess
