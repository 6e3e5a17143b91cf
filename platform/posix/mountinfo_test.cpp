#include "platform/posix/mountinfo.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

// A small mount table: root on a fixed disk, a USB stick under a name with a space, an NFS
// share, and /mnt/stack where a second mount hides the first.
constexpr char kMountInfo[] =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "30 22 8:17 / /media/usb\\040stick rw,nosuid - vfat /dev/sdb1 rw\n"
    "31 22 0:44 / /srv/share rw - nfs4 server:/export rw,vers=4.2\n"
    "32 22 8:2 / /mnt/stack rw - ext4 /dev/sda2 rw\n"
    "33 32 0:45 / /mnt/stack rw - cifs //host/c rw\n"
    "garbage line\n"
    "34 22 8:3 / /srv/sharex rw - ext4 /dev/sda3 rw\n";

TEST(DriveTypeFromMountInfo, PicksTheHoldingMount) {
  const auto removable = [](const std::string& dev) { return dev == "8:17"; };
  const struct {
    const char* path;
    DriveType type;
  } cases[] = {
      {"/", DriveType::kFixed},
      {"/home/user/data", DriveType::kFixed},
      {"/media/usb stick", DriveType::kRemovable},
      {"/media/usb stick/ACC/ARFILE01", DriveType::kRemovable},
      {"/media/usb", DriveType::kFixed},  // a prefix of a mount point is not inside it
      {"/srv/share/co1", DriveType::kRemote},
      {"/srv/sharex/co1", DriveType::kFixed},  // whole path components only
      {"/mnt/stack/x", DriveType::kRemote},    // the mount listed last hides the other
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DriveTypeFromMountInfo(kMountInfo, c.path, removable), c.type) << c.path;
  }
}

TEST(DriveTypeFromMountInfo, UnescapesOnlyCompleteOctalEscapes) {
  EXPECT_EQ(UnescapeMountField("a\\040b\\011c"), "a b\tc");
  EXPECT_EQ(UnescapeMountField("end\\04"), "end\\04");  // cut short: kept as it is
  EXPECT_EQ(UnescapeMountField("x\\"), "x\\");
}

}  // namespace
}  // namespace platform
