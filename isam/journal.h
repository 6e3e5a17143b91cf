// Replaying a before-image journal that a program running in save mode left in a set's
// coordination file, which returns the set to its state before the interrupted operation.
//
// Contract that is easy to get wrong:
//  * Entries start at offset 1 and end at the end of the file or at the value 2000 (a user
//    area). Page entries (code 1..62) are 14 + n * (L + 9) bytes; header entries (code 1000)
//    36 bytes. Any other code fails the replay with 10180 and leaves the journal in place.
//  * An entry cut off by the end of the file ends the journal without error.
//  * Entries naming an index, page or slot the set does not have fail with 10180 instead of
//    writing outside the files.
#pragma once

#include "isam/file_block.h"

namespace isam {

bool ReplayJournal(FileBlock& fb);
bool EndJournal(FileBlock& fb);

}  // namespace isam
