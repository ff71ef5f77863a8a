#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/testing/child_process.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

// The pid of a process that has ended.
long GonePid() {
  testing::ChildProcess child([] { return 0; });
  child.Wait();
  return child.pid();
}

TEST(AtomicFileTest, TheFirstOutputInAFolderClearsOldTemporariesOfKilledRunsOnly) {
  if (!testing::HasPosixProcesses()) GTEST_SKIP() << "no forked child to leave a gone process id";
  testing::TempTree tree;
  const std::string gone = std::to_string(GonePid());
  const long long two_hours_ago = std::time(nullptr) - 7200;
  const struct {
    std::string name;
    bool old;
    bool cleared;
  } entries[] = {
      {".~informe.txt." + gone + ".1.zuruza.tmp", true, true},
      {".~informe.txt." + gone + ".2.zuruza.tmp", false, false},  // touched lately
      {".~informe.txt." + std::to_string(testing::ParentProcessId()) + ".1.zuruza.tmp", true,
       false},                                            // alive
      {".~informe.txt." + gone + ".1.tmp", true, false},  // a person's name of a like shape
      {".~datos." + gone + ".x.zuruza.tmp", true, false},
  };
  for (const auto& entry : entries) {
    tree.AddFile(entry.name, "viejo");
    if (entry.old) tree.SetWriteTime(entry.name, two_hours_ago);
  }

  AtomicFile output(tree.Path("nuevo.txt"));
  output.Write("hola", 4);
  output.Commit();
  for (const auto& entry : entries) {
    EXPECT_EQ(PathExists(tree.Path(entry.name)), !entry.cleared) << entry.name;
  }
  EXPECT_EQ(tree.ReadFile("nuevo.txt"), "hola");
}

TEST(AtomicFileTest, ASpecialFileIsReplacedOnlyWhenAsked) {
  if (!testing::HasFifos()) GTEST_SKIP() << "no fifos on this system";
  testing::TempTree tree;
  ASSERT_TRUE(testing::MakeFifo(tree.Path("tubo"), 0600));
  AtomicFile refused(tree.Path("tubo"));
  EXPECT_THROW(refused.Commit(), IoError);
  AtomicFile mirrored(tree.Path("tubo"));
  mirrored.ReplaceAnyNonDirectory();
  mirrored.Write("x", 1);
  mirrored.Commit();
  EXPECT_EQ(tree.ReadFile("tubo"), "x");
}

}  // namespace
}  // namespace zuruza
