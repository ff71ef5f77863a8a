#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/fs.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

// The pid of a process that has ended.
long GonePid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}

TEST(AtomicFileTest, TheFirstOutputInAFolderClearsTemporariesOfKilledRunsOnly) {
  testing::TempTree tree;
  const std::string gone = ".~informe.txt." + std::to_string(GonePid()) + ".1.tmp";
  const std::string live = ".~informe.txt." + std::to_string(getppid()) + ".1.tmp";
  const struct {
    std::string name;
    bool cleared;
  } entries[] = {{gone, true},
                 {live, false},                    // its process still runs
                 {".~informe.txt.tmp", false},     // not the pattern
                 {"informe.txt.12.1.tmp", false},  // a person's file
                 {".~datos." + std::to_string(GonePid()) + ".x.tmp", false}};
  for (const auto& entry : entries) tree.AddFile(entry.name, "viejo");

  AtomicFile output(tree.Path("nuevo.txt"));
  output.Write("hola", 4);
  output.Commit();
  for (const auto& entry : entries)
    EXPECT_EQ(PathExists(tree.Path(entry.name)), !entry.cleared) << entry.name;
  EXPECT_TRUE(IsExistingFile(tree.Path("nuevo.txt")));
}

}  // namespace
}  // namespace zuruza
