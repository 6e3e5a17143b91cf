// How the POSIX Env tells the Windows drive kind of a path: the mount that holds it is found in
// the text of /proc/self/mountinfo (longest mount point that is a whole-component prefix of
// the resolved path, the last one listed when mounts are stacked), network file systems count
// as remote drives, and a block device that the kernel marks removable as a removable drive.
// Split from the Env so that the parsing can be tested on fixed texts.
#pragma once

#include <functional>
#include <string>

#include "platform/env.h"

namespace platform {

// `resolved_path` is an absolute path without symbolic links. `is_removable` is asked with the
// device number "major:minor" of the holding mount. Malformed lines are skipped; with no
// holding mount at all the answer is kFixed.
DriveType DriveTypeFromMountInfo(const std::string& mountinfo, const std::string& resolved_path,
                                 const std::function<bool(const std::string&)>& is_removable);

// Undoes the octal escapes (\040 for a space and the like) of a mountinfo field.
std::string UnescapeMountField(const std::string& field);

}  // namespace platform
