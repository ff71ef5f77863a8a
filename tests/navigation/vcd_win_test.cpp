// Where a drive's directory tree is cached on Windows: "vcd.dat" at the
// drive's root, as the program always kept it, else the user's cache
// folder, under a name Windows takes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "navigation/vcd.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/testing/environment.h"
#include "support/recording_sink.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::TempTree;
using Lines = std::vector<std::string>;

TEST(VcdCacheName, IsAWindowsFileName) {
  const struct {
    std::string mount_point, name;
  } rows[] = {
      {"C:", "C%3A.dat"},
      {"C:\\", "C%3A.dat"},
      {"C:\\Datos\\usb_1", "C%3A_Datos_usb%5F1.dat"},
      {"\\\\server\\share", "_server_share.dat"},
      {"D:\\a*b?\"<>|/c", "D%3A_a%2Ab%3F%22%3C%3E%7C%2Fc.dat"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CacheFileName(row.mount_point), row.name) << row.mount_point;
}

// The user's cache folder in a temporary tree for the test.
class VcdCachePlace : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* value = getenv("LOCALAPPDATA")) saved_ = value;
    testing::SetEnv("LOCALAPPDATA", cache_.root());
  }
  void TearDown() override {
    if (saved_) {
      testing::SetEnv("LOCALAPPDATA", *saved_);
    } else {
      testing::UnsetEnv("LOCALAPPDATA");
    }
  }
  std::string UserCacheFile(const std::string& mount_point) const {
    return cache_.Path("zuruza/vcd/") + CacheFileName(mount_point);
  }

  TempTree cache_;
  TempTree drive_{"uno/\ndos/\n"};
  RecordingSink sink_;
  std::optional<std::string> saved_;
};

TEST_F(VcdCachePlace, TheDrivesRootComesBeforeTheUsersCache) {
  EXPECT_EQ(DriveTreeCacheFiles("C:", "C%3A.dat"),
            (Lines{"C:\\vcd.dat", cache_.Path("zuruza/vcd/C%3A.dat")}));
}

TEST_F(VcdCachePlace, ADriveWhoseRootTakesTheFileKeepsItThere) {
  DirectoryTree vcd(sink_);
  vcd.BuildTree(drive_.root());
  vcd.SaveTreeCache(drive_.root());
  EXPECT_EQ(CacheFilePath(drive_.root()), drive_.Path("vcd.dat"));
  EXPECT_EQ(drive_.ReadFile("vcd.dat"), drive_.Path("dos") + "\r\n" + drive_.Path("uno") + "\r\n");
  EXPECT_FALSE(PathExists(cache_.Path("zuruza")));
  DirectoryTree loaded(sink_);
  loaded.LoadTreeCache(drive_.root());
  EXPECT_EQ(loaded.entries(), vcd.entries());
}

TEST_F(VcdCachePlace, ADriveWhoseRootTakesNoFileUsesTheUsersCache) {
  const std::string absent = drive_.Path("absent");  // no folder to write in
  DirectoryTree vcd(sink_);
  vcd.SetEntries({drive_.Path("absent\\x")});
  vcd.SaveTreeCache(absent);
  EXPECT_FALSE(PathExists(absent));
  EXPECT_EQ(CacheFilePath(absent), UserCacheFile(absent));
  EXPECT_TRUE(IsExistingFile(UserCacheFile(absent)));
  DirectoryTree loaded(sink_);
  loaded.LoadTreeCache(absent);
  EXPECT_EQ(loaded.entries(), vcd.entries());
}

}  // namespace
}  // namespace zuruza
