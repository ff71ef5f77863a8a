// Where and under which name a drive's directory tree is cached on Linux:
// in the user's cache directory, named after the mount point.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "navigation/vcd.h"
#include "platform/paths.h"
#include "platform/testing/environment.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::TempTree;

TEST(VcdCachePlace, LivesInTheProgramsCacheDirectory) {
  TempTree cache;
  const char* saved = getenv("XDG_CACHE_HOME");
  const std::optional<std::string> before =
      saved != nullptr ? std::optional<std::string>(saved) : std::nullopt;
  testing::SetEnv("XDG_CACHE_HOME", cache.root());
  EXPECT_EQ(CacheFilePath("/"), cache.root() + "zuruza/vcd/root.dat");
  EXPECT_EQ(DriveTreeCacheFiles("/media/usb", "media_usb.dat"),
            std::vector<std::string>{cache.root() + "zuruza/vcd/media_usb.dat"});
  if (before) {
    testing::SetEnv("XDG_CACHE_HOME", *before);
  } else {
    testing::UnsetEnv("XDG_CACHE_HOME");
  }
}

TEST(VcdCacheName, EscapesTheMountPoint) {
  EXPECT_EQ(CacheFileName("/"), "root.dat");
  EXPECT_EQ(CacheFileName("/media/usb disk"), "media_usb disk.dat");
  EXPECT_EQ(CacheFileName("/media/usb disk/"), "media_usb disk.dat");
  EXPECT_EQ(CacheFileName("/home"), "home.dat");
  EXPECT_EQ(CacheFileName("/a_b"), "a%5Fb.dat");
  EXPECT_EQ(CacheFileName("/a/b"), "a_b.dat");
  EXPECT_EQ(CacheFileName("/100%"), "100%25.dat");
  EXPECT_EQ(CacheFileName("/root"), "%72oot.dat");
  // Bytes Windows keeps out of names are names here: caches made before
  // keep theirs.
  EXPECT_EQ(CacheFileName("/media/a:b*c?\\d"), "media_a:b*c?\\d.dat");
}

}  // namespace
}  // namespace zuruza
