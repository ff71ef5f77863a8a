#include <gtest/gtest.h>

#include <string>

#include "platform/path.h"

namespace zuruza {
namespace {

TEST(PathTest, PartsOfAPath) {
  const struct {
    std::string path, folder, to_open, name;
  } cases[] = {
      {"a/b/c.txt", "a/b/", "a/b", "c.txt"},
      {"/c.txt", "/", "/", "c.txt"},
      {"c.txt", "", ".", "c.txt"},
      {"a/b/", "a/b/", "a/b", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(DirectoryToOpen(c.path), c.to_open) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
  }
}

TEST(PathTest, LiesWithinComparesWholeNamesOnceResolved) {
  EXPECT_TRUE(LiesWithin("/tmp/x/../datos/sub", "/tmp/datos"));
  EXPECT_TRUE(LiesWithin("/tmp/datos", "/tmp/datos/"));
  EXPECT_FALSE(LiesWithin("/tmp/datos2", "/tmp/datos"));  // a longer name is no folder below
  EXPECT_TRUE(LiesWithin("/cualquiera", "/"));
}

}  // namespace
}  // namespace zuruza
