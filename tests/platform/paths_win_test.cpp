// What only Windows has: drive letters and backslashes in paths, names
// that differ only in case naming one file, the read-only attribute, the
// program's files in the places it always kept them there, FILETIME steps.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/drives.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/paths.h"
#include "platform/testing/environment.h"
#include "platform/testing/file_times.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::TempTree;

TEST(WindowsPaths, PartsOfAPathWithADrive) {
  const struct {
    std::string path, folder, to_open, name;
  } cases[] = {
      {"C:\\a\\b\\c.txt", "C:\\a\\b\\", "C:\\a\\b", "c.txt"},
      {"C:\\c.txt", "C:\\", "C:\\", "c.txt"},
      {"c.txt", "", ".", "c.txt"},
      {"d:/a/c.txt", "d:/a/", "d:/a", "c.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(DirectoryToOpen(c.path), c.to_open) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
  }
  EXPECT_EQ(WithTrailingSep("C:\\datos"), "C:\\datos\\");
  EXPECT_TRUE(LiesWithin("c:\\Datos\\x\\..\\Sub", "C:\\DATOS"));
  EXPECT_FALSE(LiesWithin("C:\\datos2", "C:\\datos"));
}

TEST(WindowsPaths, ProgramFilesWhereTheProgramAlwaysKeptThem) {
  EXPECT_EQ(DefaultReportPath("bbb.tmp"), "c:\\bbb.tmp");
  EXPECT_EQ(ResultsFolders(), (std::vector<std::string>{"c:\\", "c:\\zelq\\"}));
  EXPECT_EQ((std::vector<std::string>{DefaultUsersFolder(), DefaultSecondUsersFolder(),
                                      DefaultDriveFolder()}),
            (std::vector<std::string>{"c:\\users", "d:\\users", "c:"}));
  // The listing index lives beside the program.
  EXPECT_EQ(DataDirectory(), ProgramDirectory());
  EXPECT_TRUE(IsExistingFile(ProgramDirectory() + "core_tests.exe"));
  testing::SetEnv("LOCALAPPDATA", "D:\\local");
  EXPECT_EQ(CacheDirectory(), "D:\\local\\zuruza\\");
  testing::UnsetEnv("LOCALAPPDATA");
  EXPECT_EQ(CacheDirectory(), HomeDirectory() + "AppData\\Local\\zuruza\\");
}

TEST(WindowsDrives, LettersWithAColonAreTheMountPoints) {
  const std::vector<Drive> drives = ListDrives();
  ASSERT_FALSE(drives.empty());
  std::vector<std::string> points;
  for (const Drive& drive : drives) {
    SCOPED_TRACE(drive.mount_point);
    ASSERT_EQ(drive.mount_point.size(), 2u);
    EXPECT_TRUE(drive.mount_point[0] >= 'A' && drive.mount_point[0] <= 'Z');
    EXPECT_EQ(drive.mount_point[1], ':');
    EXPECT_EQ(DriveRoot(drive), drive.mount_point + "\\");
    points.push_back(drive.mount_point);
  }
  // The mount points are the drives themselves.
  EXPECT_EQ(ListMountPoints(), points);
}

TEST(WindowsNames, CaseDoesNotTellFilesApartAndListingsFollowIt) {
  TempTree tree("Datos.TXT=x\nb\nA\n_x\na2\n");
  EXPECT_TRUE(IsSameFile(tree.Path("datos.txt"), tree.Path("DATOS.txt")));
  EXPECT_TRUE(IsExistingFile(tree.Path("DATOS.TXT")));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tree.root(), entries));
  std::vector<std::string> names;
  for (const DirEntry& entry : entries) names.push_back(entry.name);
  // Upper-cased as NTFS compares them: "_" (0x5F) after the letters.
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "A", "a2", "b", "Datos.TXT", "_x"}));
}

TEST(WindowsFiles, ReadOnlyAttributeRefusesEveryWrite) {
  TempTree tree("ro.txt=kept\n");
  const std::string path = tree.Path("ro.txt");
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_FALSE(WritableOrMissing(path));
  EXPECT_FALSE(SetWriteTime(path, 1'000'000'000'000'000'000));
  EXPECT_THROW(OpenDataFile(path, DataOpen::kCreateReplace), IoError);
  EXPECT_THROW(OpenDataFile(path, DataOpen::kCreateAppend), IoError);
  EXPECT_EQ(tree.ReadFile("ro.txt"), "kept");
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

TEST(WindowsFiles, TimesKeepHundredNanosecondSteps) {
  TempTree tree("f.txt\n");
  testing::SetFileTimes(tree.Path("f.txt"), {1'000'000'000, 123'456'789}, {-86'400, 999'999'999});
  const std::optional<DirEntry> entry = StatPath(tree.Path("f.txt"));
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->access_time, 1'000'000'000'123'456'700);
  EXPECT_EQ(entry->write_time, -86'400'000'000'000 + 999'999'900);
}

}  // namespace
}  // namespace zuruza
