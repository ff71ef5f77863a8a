// The drives of a POSIX system: the mount table under /proc, "/" first.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/drives.h"

namespace zuruza {
namespace {

TEST(ListMountPoints, PseudoFileSystemsIncludedAndDecoded) {
  const std::vector<std::string> points = ListMountPoints();
  // Every Linux system mounts "/" and /proc; the walks must see /proc to keep out of it.
  EXPECT_NE(std::find(points.begin(), points.end(), "/"), points.end());
  EXPECT_NE(std::find(points.begin(), points.end(), "/proc"), points.end());
  for (const std::string& point : points) {
    EXPECT_EQ(point.find("\\040"), std::string::npos) << point;
    if (point != "/") {
      EXPECT_NE(point.back(), '/') << point;
    }
  }
}

TEST(ListDrives, RootFirstAndNoPseudoFileSystems) {
  const std::vector<Drive> drives = ListDrives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives[0].mount_point, "/");
  for (const Drive& drive : drives) {
    SCOPED_TRACE(drive.mount_point);
    ASSERT_FALSE(drive.mount_point.empty());
    EXPECT_EQ(drive.mount_point[0], '/');
    for (const char* pseudo : {"/proc", "/sys", "/dev/pts", "/dev/shm"}) {
      EXPECT_NE(drive.mount_point, pseudo);
    }
  }
}

}  // namespace
}  // namespace zuruza
