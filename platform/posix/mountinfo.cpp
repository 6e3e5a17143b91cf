#include "platform/posix/mountinfo.h"

#include <sstream>

namespace platform {

std::string UnescapeMountField(const std::string& s) {
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && octal(s[i + 1]) && octal(s[i + 2]) && octal(s[i + 3])) {
      out.push_back(
          static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

DriveType DriveTypeFromMountInfo(const std::string& mountinfo, const std::string& resolved_path,
                                 const std::function<bool(const std::string&)>& is_removable) {
  std::istringstream in(mountinfo);
  std::string line, best_fstype, best_dev;
  size_t best_len = 0;
  bool found = false;
  while (std::getline(in, line)) {
    // id parent major:minor root mount-point options [optional fields...] - fstype source opts
    std::istringstream fields(line);
    std::string id, parent, dev, root, mount;
    if (!(fields >> id >> parent >> dev >> root >> mount)) continue;
    mount = UnescapeMountField(mount);
    std::string word, fstype;
    while (fields >> word) {
      if (word == "-") {
        fields >> fstype;
        break;
      }
    }
    if (fstype.empty() || mount.empty() || mount[0] != '/') continue;
    while (mount.size() > 1 && mount.back() == '/') mount.pop_back();
    const bool covers =
        mount == "/" ||
        (resolved_path.compare(0, mount.size(), mount) == 0 &&
         (resolved_path.size() == mount.size() || resolved_path[mount.size()] == '/'));
    if (!covers || (found && mount.size() < best_len)) continue;
    found = true;
    best_len = mount.size();
    best_fstype = fstype;
    best_dev = dev;
  }
  if (!found) return DriveType::kFixed;
  static const char* const kNetwork[] = {"nfs",   "nfs4",  "cifs",       "smb3",
                                         "smbfs", "sshfs", "fuse.sshfs", "9p",
                                         "afs",   "ncpfs", "davfs",      "fuse.davfs2"};
  for (const char* n : kNetwork) {
    if (best_fstype == n) return DriveType::kRemote;
  }
  return is_removable(best_dev) ? DriveType::kRemovable : DriveType::kFixed;
}

}  // namespace platform
