#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/testing/environment.h"
#include "platform/testing/identity.h"
#include "platform/testing/process_settings.h"
#include "support/as_nobody.h"
#include "support/temp_tree.h"

namespace {

using zuruza::testing::TempTree;

// The environment variables these functions read, put back after each test.
class EnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < kCount; ++i) {
      if (const char* value = getenv(kNames[i])) saved_[i] = value;
    }
  }
  void TearDown() override {
    for (int i = 0; i < kCount; ++i) {
      if (saved_[i]) {
        ::zuruza::testing::SetEnv(kNames[i], saved_[i]->c_str());
      } else {
        ::zuruza::testing::UnsetEnv(kNames[i]);
      }
    }
  }
  // nullptr unsets the variable.
  static void Set(const char* name, const char* value) {
    if (value) {
      ::zuruza::testing::SetEnv(name, value);
    } else {
      ::zuruza::testing::UnsetEnv(name);
    }
  }

 private:
  static constexpr int kCount = 4;
  static constexpr const char* kNames[kCount] = {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                                 "TMPDIR"};
  std::optional<std::string> saved_[kCount];
};

class HomeDirectory : public EnvironmentTest {};
class DataDirectory : public EnvironmentTest {};
class CacheDirectory : public EnvironmentTest {};
class TempDirectory : public EnvironmentTest {};
class DefaultReportPath : public EnvironmentTest {};

struct EnvRow {
  const char* value;  // nullptr: unset
  std::string expected;
};

TEST_F(HomeDirectory, HomeVariableWithOneTrailingSeparator) {
  const EnvRow rows[] = {{"/home/ann", "/home/ann/"}, {"/home/ann/", "/home/ann/"}, {"/", "/"}};
  for (const EnvRow& row : rows) {
    SCOPED_TRACE(row.value);
    Set("HOME", row.value);
    EXPECT_EQ(zuruza::HomeDirectory(), row.expected);
  }
}

TEST_F(HomeDirectory, PasswordEntryWhenHomeUnsetOrEmpty) {
  const std::optional<std::string> home = zuruza::testing::PasswordHomeDirectory();
  if (!home) GTEST_SKIP() << "no password entry with a home directory for this user";
  const std::string expected = zuruza::WithTrailingSep(*home);
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(value ? "empty" : "unset");
    Set("HOME", value);
    EXPECT_EQ(zuruza::HomeDirectory(), expected);
  }
}

TEST_F(DataDirectory, AbsoluteXdgDataHomeElseLocalShareUnderHome) {
  Set("HOME", "/home/ann");
  const EnvRow rows[] = {{"/x/data", "/x/data/zuruza/"},
                         {"/x/data/", "/x/data/zuruza/"},
                         {"relative/data", "/home/ann/.local/share/zuruza/"},
                         {"", "/home/ann/.local/share/zuruza/"},
                         {nullptr, "/home/ann/.local/share/zuruza/"}};
  for (const EnvRow& row : rows) {
    SCOPED_TRACE(row.value ? row.value : "unset");
    Set("XDG_DATA_HOME", row.value);
    EXPECT_EQ(zuruza::DataDirectory(), row.expected);
  }
}

TEST_F(CacheDirectory, AbsoluteXdgCacheHomeElseCacheUnderHome) {
  Set("HOME", "/home/ann/");
  const EnvRow rows[] = {{"/x/cache", "/x/cache/zuruza/"},
                         {"/x/cache/", "/x/cache/zuruza/"},
                         {"relative", "/home/ann/.cache/zuruza/"},
                         {"", "/home/ann/.cache/zuruza/"},
                         {nullptr, "/home/ann/.cache/zuruza/"}};
  for (const EnvRow& row : rows) {
    SCOPED_TRACE(row.value ? row.value : "unset");
    Set("XDG_CACHE_HOME", row.value);
    EXPECT_EQ(zuruza::CacheDirectory(), row.expected);
  }
}

TEST_F(CacheDirectory, DataAndCacheVariablesAreIndependent) {
  Set("HOME", "/home/ann");
  Set("XDG_DATA_HOME", "/d");
  Set("XDG_CACHE_HOME", nullptr);
  EXPECT_EQ(zuruza::CacheDirectory(), "/home/ann/.cache/zuruza/");
  EXPECT_EQ(zuruza::DataDirectory(), "/d/zuruza/");
}

TEST_F(TempDirectory, TmpdirWithTrailingSeparatorElseTmp) {
  const EnvRow rows[] = {
      {"/var/tmp", "/var/tmp/"}, {"/scratch/", "/scratch/"}, {"", "/tmp/"}, {nullptr, "/tmp/"}};
  for (const EnvRow& row : rows) {
    SCOPED_TRACE(row.value ? row.value : "unset");
    Set("TMPDIR", row.value);
    EXPECT_EQ(zuruza::TempDirectory(), row.expected);
  }
}

TEST(ProgramDirectory, HoldsTheRunningTestProgram) {
  const std::string directory = zuruza::ProgramDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.front(), '/');
  EXPECT_EQ(directory.back(), '/');
  EXPECT_TRUE(zuruza::IsExistingDirectory(directory));
  const std::string invoked = program_invocation_name;
  const std::string program = invoked.substr(invoked.rfind('/') + 1);
  EXPECT_TRUE(zuruza::IsExistingFile(directory + program)) << directory << program;
}

TEST_F(DefaultReportPath, FileNameInTheHomeDirectory) {
  Set("HOME", "/home/ann");
  EXPECT_EQ(zuruza::DefaultReportPath("dupes.txt"), "/home/ann/dupes.txt");
  Set("HOME", "/home/ann/");
  EXPECT_EQ(zuruza::DefaultReportPath("dupes.txt"), "/home/ann/dupes.txt");
}

// --- MakeDirectories ---

TEST(MakeDirectories, CreatesEveryMissingParent) {
  TempTree tree("existing/\n");
  EXPECT_TRUE(zuruza::MakeDirectories(tree.Path("existing/a/b/c")));
  EXPECT_TRUE(zuruza::IsExistingDirectory(tree.Path("existing/a")));
  EXPECT_TRUE(zuruza::IsExistingDirectory(tree.Path("existing/a/b/c")));
  EXPECT_TRUE(zuruza::MakeDirectories(tree.Path("x/y/")));
  EXPECT_TRUE(zuruza::IsExistingDirectory(tree.Path("x/y")));
  EXPECT_TRUE(zuruza::MakeDirectories(tree.Path("p//q///r")));
  EXPECT_TRUE(zuruza::IsExistingDirectory(tree.Path("p/q/r")));
}

TEST(MakeDirectories, ExistingDirectoryOrLinkToOneIsSuccess) {
  TempTree tree("dir/\nlink->dir\n");
  const std::string rows[] = {tree.Path("dir"), tree.Path("dir/"), tree.Path("link"), tree.root(),
                              "/"};
  for (const std::string& path : rows) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(zuruza::MakeDirectories(path));
  }
  EXPECT_TRUE(zuruza::MakeDirectories(tree.Path("link/sub")));
  EXPECT_TRUE(zuruza::IsExistingDirectory(tree.Path("dir/sub")));
}

TEST(MakeDirectories, FileInTheWayOrEmptyPathFails) {
  TempTree tree("file=x\nlink->file\n");
  const std::string rows[] = {tree.Path("file"), tree.Path("file/"), tree.Path("file/sub/deeper"),
                              tree.Path("link"), ""};
  for (const std::string& path : rows) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(zuruza::MakeDirectories(path));
  }
  EXPECT_EQ(tree.ReadFile("file"), "x");
}

TEST(MakeDirectories, RelativePathFromWorkingDirectory) {
  TempTree tree;
  const std::string previous = zuruza::CurrentDirectory();
  ASSERT_NO_THROW(std::filesystem::current_path(tree.root()));
  const bool made = zuruza::MakeDirectories("rel/sub");
  ASSERT_NO_THROW(std::filesystem::current_path(previous));
  EXPECT_TRUE(made);
  EXPECT_TRUE(zuruza::IsExistingDirectory(tree.Path("rel/sub")));
}

TEST(MakeDirectories, NewDirectoriesFollowTheUmask) {
  TempTree tree;
  const unsigned previous = zuruza::testing::SetFileCreationMask(027);
  const bool made = zuruza::MakeDirectories(tree.Path("a/b"));
  zuruza::testing::SetFileCreationMask(previous);
  ASSERT_TRUE(made);
  for (const char* relative : {"a", "a/b"}) {
    SCOPED_TRACE(relative);
    std::filesystem::perms perms{};
    ASSERT_NO_THROW(perms = std::filesystem::status(tree.Path(relative)).permissions());
    EXPECT_EQ(perms & std::filesystem::perms::mask, std::filesystem::perms(0750));
  }
}

TEST(MakeDirectories, UnwritableParentFailsAndLeavesNothing) {
  TempTree tree("readonly/\n");
  ASSERT_TRUE(zuruza::testing::MakeWorldTraversable(tree.root()));
  ASSERT_NO_THROW(
      std::filesystem::permissions(tree.Path("readonly"), std::filesystem::perms(0555)));
  const std::string root = tree.root();
  const std::string target = tree.Path("readonly/new/deeper");
  const std::string first = tree.Path("readonly/new");
  EXPECT_AS_NOBODY(
      zuruza::testing::RunAsNobody([&] { return zuruza::IsExistingDirectory(root + "readonly"); },
                                   [&] { return !zuruza::MakeDirectories(target); }));
  EXPECT_FALSE(zuruza::PathExists(first));
}

}  // namespace
