// The file cipher's folder runs and recent names, and runs that fail or are killed midway.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/atomic_replace.h"
#include "platform/fs.h"
#include "platform/testing/child_process.h"
#include "platform/testing/identity.h"
#include "platform/testing/scratch_space.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "support/as_nobody.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "transform/cifrar.h"
#include "transform/cifrar_test_support.h"

namespace zuruza::cifrar_test {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;

void WriteAll(const std::string& path, const std::string& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
  EXPECT_EQ(std::fclose(out), 0);
}

// A real full disk: a tiny tmpfs in a mount namespace of a child process, so
// nothing is left mounted. Skipped where namespaces are not allowed.
TEST_F(CipherTest, FullDiskKeepsTheFileWhole) {
  if (!testing::HasPosixProcesses()) GTEST_SKIP() << "no forked child to mount a tmpfs in";
  const std::string dir = tree_.Path("mnt");
  tree_.AddDirectory("mnt");
  std::optional<int> code;
  ASSERT_NO_THROW(code = testing::RunInChild([&] {
                    if (!testing::MountScratchTmpfs(dir, 1u << 20)) return 3;
                    const std::string plain = Ramp(700000);
                    const std::string path = dir + "/f.bin";
                    {
                      FILE* out = std::fopen(path.c_str(), "wb");
                      if (out == nullptr ||
                          std::fwrite(plain.data(), 1, plain.size(), out) != plain.size() ||
                          std::fclose(out) != 0)
                        return 4;
                    }
                    RecordingSink sink;
                    ScriptedPrompter prompter;
                    FileCipher cipher(sink, prompter);
                    bool disk_full = false;
                    try {
                      cipher.CipherFile(path, kEncipher, "k");
                    } catch (const IoError& error) {
                      disk_full = error.code() == kDiskFull;
                    }
                    std::vector<DirEntry> entries;
                    ListDirectory(dir, entries);
                    FILE* in = std::fopen(path.c_str(), "rb");
                    std::string now(plain.size() + 1, '\0');
                    const std::size_t got = in ? std::fread(now.data(), 1, now.size(), in) : 0;
                    now.resize(got);
                    return disk_full && entries.size() == 3 && now == plain ? 0 : 1;
                  }));
  ASSERT_TRUE(code.has_value()) << "the child did not exit";
  if (*code == 3) GTEST_SKIP() << "cannot mount a small tmpfs here";
  EXPECT_EQ(*code, 0);
}

// A run killed at any moment leaves under the file's name either the whole
// original or the whole result, never a mixture.
TEST_F(CipherTest, KilledRunLeavesTheWholeOriginalOrTheWholeResult) {
  if (!testing::HasPosixProcesses()) GTEST_SKIP() << "no forked child to kill mid-run";
  const std::string plain = RandomBytes(50u << 20, 6);
  const std::string result = Expected(plain, "k3y", kEncipher);
  const std::string path = tree_.Path("big.bin");
  bool saw_original = false;
  std::string companion;
  for (int delay_ms : {0, 1, 10, 50}) {
    SCOPED_TRACE(delay_ms);
    WriteAll(path, plain);
    if (!companion.empty()) std::remove(companion.c_str());
    std::optional<testing::ChildProcess> child;
    ASSERT_NO_THROW(child.emplace([&] {
      RecordingSink sink;
      ScriptedPrompter prompter;
      FileCipher cipher(sink, prompter);
      try {
        cipher.CipherFile(path, kEncipher, "k3y");
      } catch (...) {
        return 1;
      }
      return 0;
    }));
    // The child's companion: the atomic writer's first temporary name, with
    // the child's pid in it.
    companion = tree_.Path(".~big.bin." + std::to_string(child->pid()) + ".1.zuruza.tmp");
    bool ended = false;
    while (!PathExists(companion) && !(ended = child->Ended())) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    if (!ended) {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      ASSERT_NO_THROW(child->Kill());
    }
    const std::string now = ReadAll(path);
    EXPECT_TRUE(now == plain || now == result) << "a partial file under the original name";
    if (child->Wait().has_value()) {  // it exited before it was killed
      EXPECT_EQ(now, result);
    }
    saw_original = saw_original || now == plain;
  }
  EXPECT_TRUE(saw_original) << "the child was never caught while writing";

  // A companion left by a killed run (its process gone, an hour old) is
  // cleared by the next run in that folder; a person's file is not.
  WriteAll(path, plain);
  WriteAll(companion, "restos");
  std::filesystem::last_write_time(
      companion, std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
  tree_.AddFile("big.bin.2", "de la persona");
  Cipher("big.bin", "k3y");
  EXPECT_EQ(ReadAll(path), result);
  EXPECT_EQ(tree_.ReadFile("big.bin.2"), "de la persona");
  EXPECT_EQ(Names(), (Strings{"big.bin", "big.bin.2"}));
}

TEST_F(CipherTest, ReadOnlyFileIsRefusedAndLeftAlone) {
  ASSERT_TRUE(testing::MakeWorldTraversable(tree_.root()));
  ASSERT_NO_THROW(std::filesystem::permissions(
      tree_.root(), std::filesystem::perms(0777)));  // so the companion could be created
  tree_.AddFile("ro.txt", "solo lectura");
  tree_.AddDirectory("rodir");
  tree_.AddFile("rodir/f.txt", "en directorio de solo lectura");
  if (testing::IsSuperuser()) {
    for (const char* name : {"ro.txt", "rodir/f.txt", "rodir"})
      ASSERT_NO_THROW(
          testing::SetOwnership(tree_.Path(name), {testing::kNobodyId, testing::kNobodyId}));
  }
  ASSERT_NO_THROW(std::filesystem::permissions(tree_.Path("ro.txt"), std::filesystem::perms(0444)));
  ASSERT_NO_THROW(
      std::filesystem::permissions(tree_.Path("rodir/f.txt"), std::filesystem::perms(0666)));
  // On Windows the read-only attribute of a directory does not stop new
  // entries in it, so only the read-only file is refused there.
  const bool read_only_dir = testing::HasPermissionBits();
  if (read_only_dir) {
    ASSERT_NO_THROW(
        std::filesystem::permissions(tree_.Path("rodir"), std::filesystem::perms(0555)));
  }
  const std::string root = tree_.root();
  auto refused = [&](const std::string& path) {
    RecordingSink sink;
    ScriptedPrompter prompter;
    FileCipher cipher(sink, prompter);
    try {
      cipher.CipherFile(path, kEncipher, "k");
    } catch (const IoError& error) {
      return std::string(error.what()) == "File access denied" &&
             !PathExists(TemporaryNameFor(path, 1));
    }
    return false;
  };
  EXPECT_AS_NOBODY(testing::RunAsNobody([&] { return IsExistingDirectory(root); },
                                        [&] {
                                          return refused(root + "ro.txt") &&
                                                 (!read_only_dir || refused(root + "rodir/f.txt"));
                                        }));
  EXPECT_EQ(tree_.ReadFile("ro.txt"), "solo lectura");
  EXPECT_EQ(tree_.ReadFile("rodir/f.txt"), "en directorio de solo lectura");
  EXPECT_EQ(Names("rodir"), Strings{"f.txt"});
}

// In a sticky directory a person may write another's file but not replace
// it: the rename fails, and the file stays as it was with no companion.
TEST_F(CipherTest, FileThatCannotBeReplacedStaysWithoutCompanion) {
  if (!testing::IsSuperuser()) GTEST_SKIP() << "needs a file of another user";
  ASSERT_TRUE(testing::MakeWorldTraversable(tree_.root()));
  ASSERT_NO_THROW(std::filesystem::permissions(tree_.root(), std::filesystem::perms(01777)));
  tree_.AddFile("ajeno.txt", "de root");
  ASSERT_NO_THROW(
      std::filesystem::permissions(tree_.Path("ajeno.txt"), std::filesystem::perms(0666)));
  const std::string path = tree_.Path("ajeno.txt");
  EXPECT_AS_NOBODY(testing::RunAsNobody([&] { return IsExistingFile(path); },
                                        [&] {
                                          RecordingSink sink;
                                          ScriptedPrompter prompter;
                                          FileCipher cipher(sink, prompter);
                                          try {
                                            cipher.CipherFile(path, kEncipher, "k");
                                          } catch (const IoError& error) {
                                            return std::string(error.what()) ==
                                                   "File access denied";
                                          }
                                          return false;
                                        }));
  EXPECT_EQ(tree_.ReadFile("ajeno.txt"), "de root");
  EXPECT_EQ(Names(), Strings{"ajeno.txt"});
}

TEST_F(CipherTest, DirectoryRunCiphersEveryRegularFileOnceDepthFirst) {
  // Names in the same order whether listings sort bytes or ignore case.
  const Strings files = {".oculto", "A.txt", "b.txt", "sub/b", "sub/deep/c", "x", "x.2"};
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < files.size(); ++i) {
    plain.push_back(RandomBytes(1000 + 30000 * i, static_cast<unsigned>(10 + i)));
    tree_.AddFile(files[i], plain.back());
  }
  tree_.AddDirectory("vacio");
  const bool links = testing::CanMakeLinks(), fifos = testing::HasFifos();
  if (links) {
    tree_.AddLink("enlace", "b.txt");
    tree_.AddLink("dirlink", "sub");
  }
  if (fifos) {
    ASSERT_TRUE(testing::MakeFifo(tree_.Path("fifo"), 0644));
  }

  std::string shown;
  prompter_.input_answers = {"Clave"};
  const std::string field =
      tree_.root().substr(0, tree_.root().size() - 1);  // without its separator
  cipher_.RunDirectoryJob(field, kEncipher, [&](const std::string& text) { shown = text; });
  EXPECT_EQ(shown, tree_.root());
  EXPECT_EQ(prompter_.messages, Strings{"Ficheros del directorio " + tree_.root() + " CIFRADOS."});
  EXPECT_EQ(prompter_.captions, Strings{"Clave de Cifrado: "});
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i]);
    EXPECT_EQ(tree_.ReadFile(files[i]), Expected(plain[i], "Clave", kEncipher));
  }
  Strings expected_order;
  for (const std::string& name : files) expected_order.push_back(tree_.Path(name));
  EXPECT_EQ(sink_.paths, expected_order);
  EXPECT_EQ(cipher_.files_processed(), 7);
  EXPECT_EQ(cipher_.dirs_examined(), 3);                 // sub, sub/deep, vacio; never the link
  EXPECT_EQ(sink_.status1, "Fichero: 7 (176 Kbytes.)");  // x.2, 181000 bytes
  EXPECT_EQ(cipher_.recent_index(), 7u);
  EXPECT_EQ(cipher_.recent_names()[0], tree_.Path(".oculto"));
  // Links and the fifo are left as they were; no companion is left anywhere.
  if (links) {
    EXPECT_EQ(StatPath(tree_.Path("enlace"))->kind, EntryKind::kSymlink);
  }
  if (fifos) {
    EXPECT_EQ(StatPath(tree_.Path("fifo"))->kind, EntryKind::kOther);
  }
  Strings names = {".oculto", "A.txt", "b.txt", "dirlink", "enlace",
                   "fifo",    "sub",   "vacio", "x",       "x.2"};
  std::erase_if(names, [&](const std::string& name) {
    return (!links && (name == "dirlink" || name == "enlace")) || (!fifos && name == "fifo");
  });
  EXPECT_EQ(Names(), names);
  EXPECT_EQ(Names("sub"), (Strings{"b", "deep"}));

  // The second run counts again from the start and deciphers everything.
  prompter_.input_answers = {"Clave"};
  cipher_.RunDirectoryJob(tree_.root(), kDecipher);
  EXPECT_EQ(prompter_.messages.back(), "Ficheros del directorio " + tree_.root() + " DESCIFRADOS.");
  EXPECT_EQ(cipher_.dirs_examined(), 3);
  EXPECT_EQ(cipher_.files_processed(), 7);
  for (std::size_t i = 0; i < files.size(); ++i)
    EXPECT_EQ(tree_.ReadFile(files[i]), plain[i]) << files[i];
  EXPECT_GE(sink_.events_let_run, 2 * (7 + 3));
}

TEST_F(CipherTest, ErrorStopsTheDirectoryRunAndKeepsWhatWasDone) {
  tree_.AddFile("a", "uno");
  tree_.AddFile("b", "dos");
  tree_.AddFile("c", "tres");
  SetReplacementFaultForTesting([&](const std::string& companion, std::uint64_t) {
    return companion == TemporaryNameFor(tree_.Path("b"), 1) ? EFBIG : 0;
  });
  prompter_.input_answers = {"k"};
  try {
    cipher_.RunDirectoryJob(tree_.root(), kEncipher);
    ADD_FAILURE() << "no error";
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "I/O error 27");
  }
  EXPECT_EQ(tree_.ReadFile("a"), Expected("uno", "k", kEncipher));
  EXPECT_EQ(tree_.ReadFile("b"), "dos");
  EXPECT_EQ(tree_.ReadFile("c"), "tres");
  EXPECT_TRUE(prompter_.messages.empty());  // no final message
  EXPECT_EQ(Names(), (Strings{"a", "b", "c"}));
}

TEST_F(CipherTest, FileDeletedDuringTheDirectoryRunIsSkipped) {
  tree_.AddFile("a", "uno");
  tree_.AddFile("b", "dos");
  tree_.AddFile("c", "tres");
  // "b" goes away while "a" is ciphered, after the directory was read.
  SetReplacementFaultForTesting([&](const std::string& companion, std::uint64_t) {
    if (companion == TemporaryNameFor(tree_.Path("a"), 1)) std::remove(tree_.Path("b").c_str());
    return 0;
  });
  prompter_.input_answers = {"k"};
  cipher_.RunDirectoryJob(tree_.root(), kEncipher);
  EXPECT_EQ(tree_.ReadFile("a"), Expected("uno", "k", kEncipher));
  EXPECT_EQ(tree_.ReadFile("c"), Expected("tres", "k", kEncipher));
  EXPECT_EQ(Names(), (Strings{"a", "c"}));
  EXPECT_EQ(cipher_.files_processed(), 2);
  EXPECT_EQ(prompter_.messages.size(), 1u);  // the run ended normally
}

TEST(CipherRecentNames, RingOfTheLastHundredComparedByteForByte) {
  RecordingSink sink;
  ScriptedPrompter prompter;
  FileCipher cipher(sink, prompter);
  EXPECT_EQ(cipher.recent_index(), 0u);
  EXPECT_TRUE(cipher.RememberName("/d/a.txt"));
  EXPECT_FALSE(cipher.RememberName("/d/a.txt"));
  EXPECT_TRUE(cipher.RememberName("/d/A.txt"));  // another file on this system
  EXPECT_EQ(cipher.recent_index(), 2u);
  for (int i = 0; i < 98; ++i) EXPECT_TRUE(cipher.RememberName("/d/n" + std::to_string(i)));
  EXPECT_EQ(cipher.recent_index(), 100u);
  EXPECT_FALSE(cipher.RememberName("/d/a.txt"));
  EXPECT_TRUE(cipher.RememberName("/d/otro"));  // wraps to slot 1, forgetting a.txt
  EXPECT_EQ(cipher.recent_index(), 1u);
  EXPECT_EQ(cipher.recent_names()[0], "/d/otro");
  EXPECT_TRUE(cipher.RememberName("/d/a.txt"));
  EXPECT_FALSE(cipher.RememberName("/d/n97"));
  cipher.ClearRecentNames();
  EXPECT_EQ(cipher.recent_index(), 0u);
  for (const std::string& slot : cipher.recent_names()) EXPECT_EQ(slot, "");
  EXPECT_TRUE(cipher.RememberName("/d/n97"));
}

}  // namespace
}  // namespace zuruza::cifrar_test
