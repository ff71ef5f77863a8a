#include "navigation/backup.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "base/errors.h"
#include "platform/copy.h"
#include "platform/fs.h"
#include "platform/testing/file_times.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "platform/time_resolution.h"
#include "support/as_nobody.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;
using Lines = std::vector<std::string>;

constexpr long long kSomeTime = 981195630;

class BackupTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetCopyFaultForTesting(nullptr);
    SetWriteTimeStepForTesting(nullptr);
  }

  BackupEnd Run(const std::string& report = "") {
    BackupRequest request{tree_.Path("src"), tree_.Path("dst"), report, false};
    return copier_.RunBackupJob(request);
  }
  std::string Summary() const { return sink_.lines.empty() ? "" : sink_.lines.back(); }

  TempTree tree_{"src/a.txt=hola\nsrc/sub/deep/b.bin=1234567890\nsrc/.hidden=x\n"};
  RecordingSink sink_;
  ScriptedPrompter prompter_;
  BackupCopier copier_{sink_, prompter_};
};

TEST_F(BackupTest, FirstRunCopiesEverythingAndSecondRunNothing) {
  tree_.SetWriteTime("src/sub/deep/b.bin", kSomeTime);
  // Windows keeps no permission bits to copy.
  const bool bits = testing::HasPermissionBits();
  if (bits) std::filesystem::permissions(tree_.Path("src/a.txt"), std::filesystem::perms(0640));
  EXPECT_EQ(Run(), BackupEnd::kFinished);
  EXPECT_EQ(tree_.ReadFile("dst/sub/deep/b.bin"), "1234567890");
  EXPECT_EQ(StatPath(tree_.Path("dst/sub/deep/b.bin"))->write_time, kSomeTime * 1'000'000'000);
  if (bits) {
    EXPECT_EQ(std::filesystem::status(tree_.Path("dst/a.txt")).permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms(0640));
  }
  EXPECT_EQ(Summary(), "3 ficheros copiados. (15 bytes)");
  EXPECT_EQ(prompter_.messages, Lines{"Finalizado."});
  EXPECT_EQ(sink_.status1_panel1, "Ficheros Procesados: 3 (15 bytes)");

  Run();
  EXPECT_EQ(sink_.lines, (Lines{" ", "0 ficheros copiados. (0 bytes)"}));
}

TEST_F(BackupTest, OnlyAnOlderDestinationIsReplacedToTheMillisecond) {
  Run();
  struct Row {
    const char* name;
    long long dest_ns_offset;
    bool copied;
  } rows[] = {{"one ms older", -1'000'000, true},
              {"equal", 0, false},
              {"newer", 5'000'000, false},
              {"older within the same millisecond", -500'000, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    tree_.AddFile("src/a.txt", "nuevo");
    testing::SetFileTimes(tree_.Path("src/a.txt"), {kSomeTime, 500'700'000},
                          {kSomeTime, 500'700'000});
    tree_.AddFile("dst/a.txt", "viejo");
    long long dst_ns = 500'700'000 + row.dest_ns_offset;
    testing::SetFileTimes(tree_.Path("dst/a.txt"), {kSomeTime, dst_ns}, {kSomeTime, dst_ns});
    Run();
    EXPECT_EQ(tree_.ReadFile("dst/a.txt"), row.copied ? "nuevo" : "viejo");
  }
}

// A USB drive keeps times in steps (FAT 2 s, exFAT 10 ms): a copy holds
// its source's time cut to the step, and is as new as its source.
TEST_F(BackupTest, CoarseTimesOfTheDestinationAreNotOlderThanTheirSource) {
  struct Row {
    const char* name;
    long long step_ns, dest_ns;
    bool copied;
  };
  const Row rows[] = {{"fat copy of its source", 2'000'000'000, 0, false},
                      {"fat, one step older", 2'000'000'000, -2'000'000'000, true},
                      {"exfat copy of its source", 10'000'000, 500'000'000, false},
                      {"exfat, one step older", 10'000'000, 490'000'000, true},
                      {"fine times as before", 1, 499'000'000, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetWriteTimeStepForTesting([&](const std::string&) { return row.step_ns; });
    // The source was written at an odd second and a half; the copy holds
    // what the destination's steps keep of that.
    tree_.AddFile("src/a.txt", "nuevo");
    testing::SetFileTimes(tree_.Path("src/a.txt"), {kSomeTime, 500'700'000},
                          {kSomeTime, 500'700'000});
    tree_.AddFile("dst/a.txt", "viejo");
    const long long dst_ns = kSomeTime * 1'000'000'000LL + row.dest_ns;  // kSomeTime is even
    testing::SetFileTimes(tree_.Path("dst/a.txt"), {dst_ns / 1'000'000'000, dst_ns % 1'000'000'000},
                          {dst_ns / 1'000'000'000, dst_ns % 1'000'000'000});
    Run();
    EXPECT_EQ(tree_.ReadFile("dst/a.txt"), row.copied ? "nuevo" : "viejo");
  }
}

TEST_F(BackupTest, ReportFileHoldsTheListSpaceAndSummary) {
  EXPECT_EQ(Run(tree_.Path("informe.txt")), BackupEnd::kFinished);
  const std::string s = tree_.Path("src/");
  EXPECT_EQ(tree_.ReadFile("informe.txt"), s + ".hidden\r\n" + s + "a.txt\r\n" +
                                               tree_.Path("src/sub/deep/b.bin") +
                                               "\r\n \r\n"
                                               "3 ficheros copiados. (15 bytes)\r\n");
  Run("Fichero del Informe");
  EXPECT_FALSE(PathExists(tree_.Path("Fichero del Informe")));
}

TEST_F(BackupTest, CancelAfterAFailedCopyStopsTheWholeJobAndKeepsTheOldFile) {
  Run();
  tree_.AddFile("src/sub/deep/b.bin", "a newer, longer content");
  tree_.SetWriteTime("dst/sub/deep/b.bin", kSomeTime);
  tree_.AddFile("src/z.txt", "never reached");
  SetCopyFaultForTesting(
      [](const std::string& dest) { return dest.find("b.bin") != std::string::npos ? ENOSPC : 0; });
  prompter_.ok_answers = {false};
  prompter_.messages.clear();
  EXPECT_EQ(Run(tree_.Path("informe.txt")), BackupEnd::kStopped);
  EXPECT_EQ(prompter_.questions,
            Lines{"Se ha producido un error al copiar: " + tree_.Path("dst/sub/deep/") +
                  "b.bin.\r\n¿Disco lleno?\r\nCAMBIA el DISCO y pulsa OK para CONTINUAR.\r\n"
                  "Pulsa CANCEL para Cancelar la Copia."});
  EXPECT_EQ(prompter_.messages, Lines{"No se desea copiar más archivos. Copia Cancelada"});
  EXPECT_EQ(tree_.ReadFile("dst/sub/deep/b.bin"), "1234567890");  // the old copy, whole
  EXPECT_FALSE(PathExists(tree_.Path("dst/z.txt")));
  EXPECT_FALSE(PathExists(tree_.Path("informe.txt")));
  std::vector<DirEntry> entries;
  ListDirectory(tree_.Path("dst/sub/deep/"), entries);
  EXPECT_EQ(entries.size(), 3u);  // no temporary file left behind
}

TEST_F(BackupTest, OkRecreatesTheDirectoriesAndRetries) {
  int failures = 1;
  SetCopyFaultForTesting([&](const std::string& dest) {
    if (dest.find("b.bin") == std::string::npos || failures == 0) return 0;
    --failures;
    return ENOSPC;
  });
  // Before answering, the full disk is replaced by an empty one.
  prompter_.on_question = [&] {
    std::error_code error;
    std::filesystem::remove_all(tree_.Path("dst/sub"), error);
    EXPECT_FALSE(error) << error.message();
  };
  prompter_.ok_answers = {true};
  EXPECT_EQ(Run(), BackupEnd::kFinished);
  EXPECT_EQ(prompter_.questions.size(), 1u);
  EXPECT_EQ(tree_.ReadFile("dst/sub/deep/b.bin"), "1234567890");
  EXPECT_EQ(Summary(), "3 ficheros copiados. (15 bytes)");
}

TEST_F(BackupTest, StopBetweenFilesCancelsTheCopy) {
  sink_.on_events = [&] {
    if (sink_.lines.size() == 1) copier_.RequestStop();
  };
  EXPECT_EQ(Run(), BackupEnd::kStopped);
  EXPECT_EQ(prompter_.messages, Lines{"No se desea copiar más archivos. Copia Cancelada"});
  EXPECT_LE(copier_.files_copied(), 1);
}

TEST_F(BackupTest, VanishedSourceFileIsSkippedNotCounted) {
  sink_.on_events = [&] { std::filesystem::remove(tree_.Path("src/a.txt")); };
  EXPECT_EQ(Run(), BackupEnd::kFinished);
  EXPECT_FALSE(PathExists(tree_.Path("dst/a.txt")));
  EXPECT_EQ(Summary(), "2 ficheros copiados. (11 bytes)");
  EXPECT_TRUE(prompter_.questions.empty());
}

TEST_F(BackupTest, MissingSourceIsAnErrorBeforeAnythingIsCreated) {
  BackupRequest request{tree_.Path("nowhere"), tree_.Path("new/dst"), tree_.Path("informe.txt"),
                        true};
  try {
    copier_.RunBackupJob(request);
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "No existe el directorio: " + tree_.Path("nowhere/"));
  }
  EXPECT_FALSE(PathExists(tree_.Path("new")));
  EXPECT_FALSE(PathExists(tree_.Path("informe.txt")));
}

TEST_F(BackupTest, DirectoriesThatCannotBeReadAreSkippedAndNamed) {
  if (!testing::HasPermissionBits()) GTEST_SKIP() << "no permission bits on this system";
  tree_.AddFile("src/shut/x.txt", "x");
  ASSERT_TRUE(testing::MakeWorldTraversable(tree_.root()));
  tree_.AddDirectory("dst");
  std::filesystem::permissions(tree_.Path("dst"), std::filesystem::perms(0777));
  std::filesystem::permissions(tree_.Path("src/shut"), std::filesystem::perms::none);
  EXPECT_AS_NOBODY(testing::RunAsNobody([&] { return IsExistingDirectory(tree_.Path("src")); },
                                        [&] {
                                          Run();
                                          const auto& skipped = copier_.skipped().entries();
                                          return Summary() == "3 ficheros copiados. (15 bytes)" &&
                                                 skipped.size() == 1 &&
                                                 skipped[0].path == tree_.Path("src/shut/") &&
                                                 skipped[0].reason == "File access denied";
                                        }));
}

// A folder the destination cannot take is not copied, and named like an
// unread one, so a batch run does not end as if all was copied.
TEST_F(BackupTest, DirectoriesTheDestinationCannotTakeAreSkippedAndNamed) {
  if (!testing::HasPermissionBits()) GTEST_SKIP() << "no permission bits on this system";
  ASSERT_TRUE(testing::MakeWorldTraversable(tree_.root()));
  tree_.AddFile("dst/a.txt", "hola");  // newer than the source's files:
  tree_.AddFile("dst/.hidden", "x");   // nothing to copy at the top
  std::filesystem::permissions(tree_.Path("dst"), std::filesystem::perms(0555));
  EXPECT_AS_NOBODY(testing::RunAsNobody([&] { return IsExistingDirectory(tree_.Path("src")); },
                                        [&] {
                                          Run();
                                          const auto& skipped = copier_.skipped().entries();
                                          return skipped.size() == 1 &&
                                                 skipped[0].path == tree_.Path("src/sub/") &&
                                                 skipped[0].reason == "File access denied";
                                        }));
}

TEST_F(BackupTest, DestinationInTheSourceCopiesNothing) {
  struct Row {
    std::string source, destination;
    bool refused;
  } rows[] = {
      {"", "", false},                                         // both "./"
      {tree_.Path("src/sub"), tree_.Path("src"), false},       // the text occurs in the source
      {tree_.Path("src"), tree_.Path("src/sub/copia"), true},  // below the source: refused
      {tree_.Path("src/"), tree_.Path("src/./x/../backup"), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.destination);
    prompter_.messages.clear();
    // A destination below the source is refused with an error.
    if (row.refused) {
      EXPECT_THROW(copier_.RunBackupJob({row.source, row.destination, "", false}), Error);
    } else {
      EXPECT_EQ(copier_.RunBackupJob({row.source, row.destination, "", false}),
                BackupEnd::kNothingToDo);
    }
    EXPECT_TRUE(prompter_.messages.empty());
    EXPECT_FALSE(PathExists(tree_.Path("src/sub/copia")));
  }
}

TEST_F(BackupTest, LinksAreRecreatedAsLinks) {
  if (!testing::CanMakeLinks()) GTEST_SKIP() << "no symbolic links on this system";
  tree_.AddLink("src/enlace", "a.txt");
  tree_.AddLink("src/arriba", "..");
  Run();
  std::filesystem::path target;
  ASSERT_NO_THROW(target = std::filesystem::read_symlink(tree_.Path("dst/enlace")));
  EXPECT_EQ(target.string(), "a.txt");
  EXPECT_EQ(StatPath(tree_.Path("dst/arriba"))->kind, EntryKind::kSymlink);
}

TEST_F(BackupTest, NeverCopiesThroughALinkOrAFileWhereADirectoryGoes) {
  // An earlier run left links (or a file) where the source now has real
  // directories: the copies must not follow them elsewhere. Without links
  // only the file stands in the way.
  const bool links = testing::CanMakeLinks();
  tree_.AddFile("otro/b.bin", "ajeno");
  tree_.SetWriteTime("otro/b.bin", kSomeTime);
  tree_.AddFile("dst/.keep", "");
  if (links) tree_.AddLink("dst/sub", tree_.Path("otro"));
  tree_.AddFile("src/tambien/c.txt", "c");
  tree_.AddFile("dst/tambien", "un fichero");
  EXPECT_EQ(Run(), BackupEnd::kFinished);
  EXPECT_EQ(tree_.ReadFile("otro/b.bin"), "ajeno");
  EXPECT_FALSE(PathExists(tree_.Path("otro/deep")));
  EXPECT_EQ(tree_.ReadFile("dst/tambien"), "un fichero");
  Lines messages;
  if (links) {
    messages.push_back("No se copia el directorio " + tree_.Path("src/sub") + ": en el destino, " +
                       tree_.Path("dst/sub") + " no es un directorio.");
  }
  messages.push_back("No se copia el directorio " + tree_.Path("src/tambien") +
                     ": en el destino, " + tree_.Path("dst/tambien") + " no es un directorio.");
  messages.push_back("Finalizado.");
  EXPECT_EQ(prompter_.messages, messages);
  // a.txt and .hidden, and sub/deep/b.bin where no link took its place
  EXPECT_EQ(Summary(),
            links ? "2 ficheros copiados. (5 bytes)" : "3 ficheros copiados. (15 bytes)");
  EXPECT_TRUE(prompter_.questions.empty());
}

TEST_F(BackupTest, LongNamesAreCopiedAndFifosNeitherOpenedNorListed) {
  const std::string long_name(240, 'n');
  tree_.AddFile("src/" + long_name, "largo");
  // Without fifos the long name is still worth copying.
  if (testing::HasFifos()) {
    ASSERT_TRUE(testing::MakeFifo(tree_.Path("src/tubo"), 0600));
  }
  EXPECT_EQ(Run(), BackupEnd::kFinished);
  EXPECT_EQ(tree_.ReadFile("dst/" + long_name), "largo");
  EXPECT_FALSE(PathExists(tree_.Path("dst/tubo")));
  for (const std::string& line : sink_.lines)
    EXPECT_EQ(line.find("tubo"), std::string::npos) << line;
  EXPECT_EQ(Summary(), "4 ficheros copiados. (20 bytes)");
  EXPECT_TRUE(prompter_.questions.empty());
}

TEST(BackupFormat, GroupDigitsAndCreatePath) {
  EXPECT_EQ(GroupDigits(999), "999");
  EXPECT_EQ(GroupDigits(1000), "1.000");
  EXPECT_EQ(GroupDigits(1234567), "1.234.567");
  TempTree tree;
  CreatePath("  " + tree.Path("a//b/c") + " \t");
  EXPECT_TRUE(IsExistingDirectory(tree.Path("a/b/c")));
}

}  // namespace
}  // namespace zuruza
