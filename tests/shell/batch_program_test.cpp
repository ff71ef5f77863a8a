// The batch program as a user runs it, on every system it is built for:
// each command writes its report with the system's own paths (a drive
// letter and backslashes on Windows).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/testing/child_process.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::ProgramRun;
using testing::TempTree;

// The program beside the tests; none in a build without it.
std::string Program() {
  for (const char* name : {"zuruza.exe", "zuruza"}) {
    const std::string path = ProgramDirectory() + name;
    if (IsExistingFile(path)) return path;
  }
  return {};
}

ProgramRun RunZuruza(const std::vector<std::string>& arguments) {
  return testing::RunProgramBytes(Program(), arguments,
                                  {{"DISPLAY", std::nullopt},
                                   {"WAYLAND_DISPLAY", std::nullopt},
                                   {"QT_QPA_PLATFORM", std::nullopt}});
}

// Standard error is a text stream: its lines end in CR LF on Windows.
std::string WithLfEnds(std::string text) {
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.erase(at, 1);
  return text;
}

class BatchProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Program().empty()) GTEST_SKIP() << "no batch program in this build";
  }
  TempTree tree_{"src/a.txt=abc\nsrc/sub/a.txt=abc\nsrc/sub/c.dat=xyz12\n"};
};

TEST_F(BatchProgramTest, ReportsNameFilesFromTheDriveRootWithTheSystemSeparator) {
  const std::vector<Drive> drives = ListDrives();
  const std::string drive_root = DriveRoot(drives[DriveIndexOf(drives, tree_.root())]);
  ASSERT_EQ(tree_.root().substr(0, drive_root.size()), drive_root);

  ProgramRun search =
      RunZuruza({"/BUSCA", tree_.Path("src"), ".txt", "0", tree_.Path("busca.txt")});
  EXPECT_EQ(search.exit_code, 0) << search.errors;
  EXPECT_EQ(tree_.ReadFile("busca.txt"), tree_.Path("src/a.txt") + "\r\n" +
                                             tree_.Path("src/sub/a.txt") +
                                             "\r\n\r\nSe han encontrado 2 coincidencias. "
                                             "(           6 bytes.)\r\n");

  ProgramRun duplicates = RunZuruza({"/REPES", tree_.Path("src"), tree_.Path("repes.txt"), "0"});
  EXPECT_EQ(duplicates.exit_code, 0) << duplicates.errors;
  const std::string repes = tree_.ReadFile("repes.txt");
  EXPECT_NE(repes.find(";3;" + tree_.Path("src/a.txt") + "\r\n"), std::string::npos) << repes;
  EXPECT_NE(repes.find(";3;" + tree_.Path("src/sub/a.txt") + "\r\n"), std::string::npos) << repes;
  EXPECT_NE(repes.find("\r\n1;0;" + tree_.Path("src/sub") + kPathSep + "\r\n"), std::string::npos)
      << repes;

  ProgramRun backup =
      RunZuruza({"/BACKUP", tree_.Path("src"), tree_.Path("copia"), tree_.Path("backup.txt")});
  EXPECT_EQ(backup.exit_code, 0) << backup.errors;
  EXPECT_EQ(tree_.ReadFile("copia/sub/c.dat"), "xyz12");
  EXPECT_EQ(tree_.ReadFile("backup.txt"),
            tree_.Path("src/a.txt") + "\r\n" + tree_.Path("src/sub/a.txt") + "\r\n" +
                tree_.Path("src/sub/c.dat") + "\r\n \r\n3 ficheros copiados. (11 bytes)\r\n");
}

TEST_F(BatchProgramTest, MissingStartDirectoryIsNamedWithItsSeparator) {
  const std::string missing = tree_.Path("nowhere");
  ProgramRun run = RunZuruza({"/BUSCA", missing, "", "0", tree_.Path("busca.txt")});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(WithLfEnds(run.errors), "No existe el directorio: " + missing + kPathSep + "\n");
}

}  // namespace
}  // namespace zuruza
