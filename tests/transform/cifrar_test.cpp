#include "transform/cifrar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <thread>

#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/atomic_replace.h"
#include "platform/fs.h"
#include "platform/testing/child_process.h"
#include "platform/testing/file_times.h"
#include "platform/testing/identity.h"
#include "platform/testing/scratch_space.h"
#include "platform/testing/special_files.h"
#include "support/as_nobody.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;
using Strings = std::vector<std::string>;

constexpr auto kEncipher = CipherDirection::kEncipher;
constexpr auto kDecipher = CipherDirection::kDecipher;

// The cipher's rule, written out on its own: the byte at offset p is shifted
// twice by key[((p mod 50000) mod L) + 1] (1-based), modulo 256.
std::string Expected(const std::string& plain, std::string_view key, CipherDirection direction) {
  std::string out = plain;
  for (std::size_t p = 0, j = 0; p < out.size(); ++p) {
    if (p % 50000 == 0) j = 0;  // the key restarts with every block
    const unsigned k = static_cast<unsigned char>(key[j]);
    const unsigned b = static_cast<unsigned char>(out[p]);
    out[p] =
        static_cast<char>(direction == kEncipher ? (b + 2 * k) % 256 : (b + 512 - 2 * k) % 256);
    if (++j == key.size()) j = 0;
  }
  return out;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; i += 4) {
    const std::uint32_t word = random();
    std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(4, size - i));
  }
  return bytes;
}

// Every byte value, over and over: each one meets each key position.
std::string Ramp(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

// Reads a whole file at once (a stream copy takes seconds for 50 MB).
std::string ReadAll(const std::string& path) {
  std::string bytes;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return bytes;
  bytes.resize(static_cast<std::size_t>(size) + 1);
  if (FILE* in = std::fopen(path.c_str(), "rb")) {
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
    std::fclose(in);
  }
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
  EXPECT_EQ(std::fclose(out), 0);
}

// Records the captions of the input boxes and every path shown in panel 1.
class CipherPrompter : public ScriptedPrompter {
 public:
  std::string InputBox(std::string_view caption, std::string_view prompt,
                       std::string_view default_text) override {
    captions.emplace_back(caption);
    defaults.emplace_back(default_text);
    return ScriptedPrompter::InputBox(caption, prompt, default_text);
  }
  Strings captions, defaults;
};

class PathHistorySink : public RecordingSink {
 public:
  void SetStatus(StatusBar bar, std::string_view text) override {
    RecordingSink::SetStatus(bar, text);
    if (bar == StatusBar::kStatusBar1Panel1) paths.emplace_back(text);
  }
  Strings paths;
};

class CipherTest : public ::testing::Test {
 protected:
  void TearDown() override { SetReplacementFaultForTesting(nullptr); }

  void Cipher(const std::string& relative, std::string_view key,
              CipherDirection direction = kEncipher) {
    const std::string path = tree_.Path(relative);
    cipher_.CipherFile(path, direction, key);
  }
  // The names of a directory, without "." and "..".
  Strings Names(const std::string& relative = "") const {
    std::vector<DirEntry> entries;
    ListDirectory(tree_.Path(relative), entries);
    Strings names;
    for (std::size_t i = 2; i < entries.size(); ++i) names.push_back(entries[i].name);
    return names;
  }

  TempTree tree_;
  PathHistorySink sink_;
  CipherPrompter prompter_;
  FileCipher cipher_{sink_, prompter_};
};

TEST(CipherShiftBlock, ShiftsByTheKeyRestartingAtTheBlockStart) {
  struct Row {
    std::string block, key;
    CipherDirection direction;
    std::string result;
  } rows[] = {
      {"", "abc", kEncipher, ""},
      {"\x01\x02\x03\x04\x05", "\x01\x10", kEncipher, "\x02\x12\x04\x14\x06"},
      {"\xFF\xFE", "\x02", kEncipher, std::string("\x01\x00", 2)},
      {"\x01\x01\x01", "a", kDecipher, "\xA0\xA0\xA0"},  // 1 - 97 + 256
      {"abcd", "\x80", kEncipher, "\xE1\xE2\xE3\xE4"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.block);
    std::string block = row.block;
    ShiftBlock({reinterpret_cast<unsigned char*>(block.data()), block.size()}, row.key,
               row.direction);
    EXPECT_EQ(block, row.result);
  }
}

TEST(CipherKeyBytes, OneByteOfCodePage1252PerCharacter) {
  struct Row {
    std::string typed;
    std::optional<std::string> bytes;
  } rows[] = {
      {"clave 123", "clave 123"},
      {"contraseña",
       "contrase\xF1"
       "a"},
      {"€", "\x80"},
      {"Ÿœ–", "\x9F\x9C\x96"},
      {"\xC2\x81", "\x81"},        // an unused position maps to itself
      {"\xC2\x80", std::nullopt},  // a control character that 1252 has no byte for
      {"Ω", std::nullopt},
      {"\xF1", std::nullopt},      // not UTF-8
      {"\xC0\xA0", std::nullopt},  // overlong
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    EXPECT_EQ(KeyBytes(row.typed), row.bytes);
  }
}

TEST_F(CipherTest, EncipherThenDecipherRestoresEveryByte) {
  const std::string plain = RandomBytes(123457, 1);
  tree_.AddFile("f.bin", plain);
  Cipher("f.bin", "clave secreta");
  const std::string enciphered = tree_.ReadFile("f.bin");
  EXPECT_EQ(enciphered.size(), plain.size());
  EXPECT_EQ(enciphered, Expected(plain, "clave secreta", kEncipher));
  Cipher("f.bin", "otra", kDecipher);  // a wrong key gives other content, silently
  EXPECT_NE(tree_.ReadFile("f.bin"), plain);
  Cipher("f.bin", "otra", kEncipher);
  Cipher("f.bin", "clave secreta", kDecipher);
  EXPECT_EQ(tree_.ReadFile("f.bin"), plain);
  EXPECT_EQ(Names(), Strings{"f.bin"});
}

TEST_F(CipherTest, OneCharacterKeyAddsTwiceItsByteAcrossTheBlockBoundary) {
  const std::string plain = Ramp(100003);
  for (int k : {1, 2, 64, 127, 128, 129, 200, 255}) {
    SCOPED_TRACE(k);
    tree_.AddFile("f.bin", plain);
    Cipher("f.bin", std::string(1, static_cast<char>(k)));
    const std::string result = tree_.ReadFile("f.bin");
    ASSERT_EQ(result.size(), plain.size());
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
      if (static_cast<unsigned char>(result[i]) !=
          (static_cast<unsigned char>(plain[i]) + 2 * k) % 256)
        ++wrong;
    }
    EXPECT_EQ(wrong, 0u);
    if (k == 128) {
      EXPECT_EQ(result, plain);
    }
  }
}

TEST_F(CipherTest, LongerKeyRestartsAtEveryBlockOf50000Bytes) {
  const std::string plain = Ramp(150001);
  const std::string key = "XyZ";
  tree_.AddFile("f.bin", plain);
  Cipher("f.bin", key);
  const std::string result = tree_.ReadFile("f.bin");
  EXPECT_EQ(result, Expected(plain, key, kEncipher));
  // Offset 49999 uses the second key byte (49999 mod 3 = 1); offset 50000
  // the first again, not the third.
  EXPECT_EQ(static_cast<unsigned char>(result[49999]),
            (static_cast<unsigned char>(plain[49999]) + 2 * 'y') % 256);
  EXPECT_EQ(static_cast<unsigned char>(result[50000]),
            (static_cast<unsigned char>(plain[50000]) + 2 * 'X') % 256);
  EXPECT_EQ(static_cast<unsigned char>(result[100001]),
            (static_cast<unsigned char>(plain[100001]) + 2 * 'y') % 256);

  // Any byte values, a key of seven.
  const std::string raw_key = "\xF1\x80\x01\xFF\x00\x7F\x33";
  const std::string random = RandomBytes(260000, 2);
  tree_.AddFile("g.bin", random);
  Cipher("g.bin", std::string(raw_key.data(), 7), kDecipher);
  EXPECT_EQ(tree_.ReadFile("g.bin"), Expected(random, std::string(raw_key.data(), 7), kDecipher));
}

TEST_F(CipherTest, SizesAroundTheBlocksAndTheStatus) {
  struct Row {
    std::size_t size;
    std::string status;
  } rows[] = {
      {0, "Fichero: 1 (0 Kbytes.)"},          {1, "Fichero: 1 (0 Kbytes.)"},
      {49999, "Fichero: 1 (48 Kbytes.)"},     {50000, "Fichero: 1 (48 Kbytes.)"},
      {50 * 1024, "Fichero: 1 (50 Kbytes.)"}, {50 * 1024 + 1023, "Fichero: 1 (50 Kbytes.)"},
      {100000, "Fichero: 1 (97 Kbytes.)"},    {2000000, "Fichero: 1 (1953 Kbytes.)"},
      {2000001, "Fichero: 1 (1953 Kbytes.)"}, {4100000, "Fichero: 1 (4003 Kbytes.)"},
  };
  const std::string path = tree_.Path("f.bin");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    const std::string plain = Ramp(row.size);
    tree_.AddFile("f.bin", plain);
    prompter_.input_answers = {"k"};
    cipher_.RunFileJob(path, kEncipher);
    EXPECT_EQ(tree_.ReadFile("f.bin"), Expected(plain, "k", kEncipher));
    EXPECT_EQ(sink_.status1, row.status);
    EXPECT_EQ(sink_.status1_panel1, path);
    EXPECT_EQ(cipher_.files_processed(), 1);
  }
  EXPECT_EQ(prompter_.captions, Strings(std::size(rows), "Clave de Cifrado: "));
  EXPECT_EQ(prompter_.prompts, Strings(std::size(rows), "Clave: "));
  EXPECT_EQ(prompter_.defaults, Strings(std::size(rows), ""));
  EXPECT_TRUE(prompter_.messages.empty());  // the status bar tells the result
  EXPECT_EQ(Names(), Strings{"f.bin"});
}

TEST_F(CipherTest, TwiceEncipheredOnceDecipheredStaysEncipheredOnce) {
  const std::string plain = RandomBytes(70000, 3);
  tree_.AddFile("f.bin", plain);
  prompter_.input_answers = {"abc", "abc", "abc"};
  cipher_.RunFileJob(tree_.Path("f.bin"), kEncipher);
  cipher_.RunFileJob(tree_.Path("f.bin"), kEncipher);
  cipher_.RunFileJob(tree_.Path("f.bin"), kDecipher);
  EXPECT_EQ(tree_.ReadFile("f.bin"), Expected(plain, "abc", kEncipher));
  EXPECT_EQ(prompter_.captions,
            (Strings{"Clave de Cifrado: ", "Clave de Cifrado: ", "Clave de Descifrado: "}));
}

TEST_F(CipherTest, KeyTypedWithAccentsUsesItsCodePage1252Bytes) {
  const std::string plain = RandomBytes(1000, 4);
  tree_.AddFile("f.bin", plain);
  prompter_.input_answers = {"año€"};
  cipher_.RunFileJob(tree_.Path("f.bin"), kEncipher);
  EXPECT_EQ(tree_.ReadFile("f.bin"), Expected(plain, "a\xF1o\x80", kEncipher));
}

TEST_F(CipherTest, RefusalsChangeNothing) {
  tree_.AddFile("f.bin", "contenido");
  tree_.AddDirectory("d");
  tree_.AddLink("enlace", "f.bin");
  ASSERT_TRUE(testing::MakeFifo(tree_.Path("fifo"), 0644));
  const std::string path = tree_.Path("f.bin");

  cipher_.RunFileJob("", kEncipher);
  cipher_.RunDirectoryJob("", kEncipher);
  EXPECT_TRUE(prompter_.prompts.empty());  // no key is asked for a missing field
  cipher_.RunDirectoryJob(tree_.Path("falta"), kEncipher);
  for (const char* special : {"d", "enlace", "fifo"})
    cipher_.RunFileJob(tree_.Path(special), kEncipher);
  EXPECT_TRUE(prompter_.prompts.empty());
  EXPECT_EQ(
      prompter_.messages,
      (Strings{"Indique el fichero.", "Indique el directorio.",
               "El directorio " + tree_.Path("falta") + " no existe.",
               tree_.Path("d") +
                   " no es un fichero normal: sólo se cifran ficheros, no directorios, enlaces ni "
                   "ficheros especiales.",
               tree_.Path("enlace") +
                   " no es un fichero normal: sólo se cifran ficheros, no directorios, "
                   "enlaces ni ficheros especiales.",
               tree_.Path("fifo") +
                   " no es un fichero normal: sólo se cifran ficheros, no directorios, enlaces "
                   "ni ficheros especiales."}));

  // An empty key, typed or the result of Cancel (whose default is empty).
  prompter_.messages.clear();
  prompter_.input_answers = {"", std::nullopt, "", std::nullopt, "Ω"};
  cipher_.RunFileJob(path, kEncipher);
  cipher_.RunFileJob(path, kDecipher);
  cipher_.RunDirectoryJob(tree_.root(), kEncipher);
  cipher_.RunDirectoryJob(tree_.root(), kDecipher);
  cipher_.RunFileJob(path, kEncipher);
  EXPECT_EQ(
      prompter_.messages,
      (Strings{"La clave no puede estar vacía.", "La clave no puede estar vacía.",
               "La clave no puede estar vacía.", "La clave no puede estar vacía.",
               "La clave sólo admite caracteres de un byte (página de códigos Windows-1252)."}));
  EXPECT_EQ(tree_.ReadFile("f.bin"), "contenido");
  EXPECT_EQ(Names(), (Strings{"d", "enlace", "f.bin", "fifo"}));
  EXPECT_THROW(cipher_.CipherFile(path, kEncipher, ""), Error);
}

TEST_F(CipherTest, MissingFileIsNotFoundAndLeavesNoCompanion) {
  prompter_.input_answers = {"k"};
  try {
    cipher_.RunFileJob(tree_.Path("falta.txt"), kEncipher);
    ADD_FAILURE() << "no error";
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
  EXPECT_TRUE(Names().empty());
}

TEST_F(CipherTest, ResultKeepsPermissionsAndOwnerAndTakesTheTimeOfTheRewrite) {
  tree_.AddFile("f.bin", "abc");
  const std::string path = tree_.Path("f.bin");
  ASSERT_NO_THROW(std::filesystem::permissions(path, std::filesystem::perms(0640)));
  tree_.SetWriteTime("f.bin", 981195630);
  if (testing::IsSuperuser()) {
    ASSERT_NO_THROW(testing::SetOwnership(path, {testing::kNobodyId, testing::kNobodyId}));
  }
  testing::Ownership owner_before, owner_after;
  testing::FileTimes times_before, times_after;
  ASSERT_NO_THROW(owner_before = testing::OwnershipOf(path));
  ASSERT_NO_THROW(times_before = testing::FileTimesOf(path));
  Cipher("f.bin", "k");
  std::filesystem::perms perms_after{};
  ASSERT_NO_THROW(perms_after = std::filesystem::status(path).permissions());
  ASSERT_NO_THROW(owner_after = testing::OwnershipOf(path));
  ASSERT_NO_THROW(times_after = testing::FileTimesOf(path));
  EXPECT_EQ(perms_after & std::filesystem::perms::mask, std::filesystem::perms(0640));
  EXPECT_EQ(owner_after.user, owner_before.user);
  EXPECT_EQ(owner_after.group, owner_before.group);
  // The content changed, so the date does too: a backup sees the new file.
  EXPECT_GT(times_after.write.seconds, times_before.write.seconds);
}

TEST_F(CipherTest, APersonsFilesBesideTheFileAreNeverReplaced) {
  tree_.AddFile("x", "datos de x");
  tree_.AddFile("x.2", "el fichero x.2 de la persona");
  tree_.AddFile("x.2~1", "otro");
  Strings companions;
  SetReplacementFaultForTesting([&](const std::string& companion, std::uint64_t written) {
    if (written == 0) companions.push_back(companion);
    return 0;
  });
  Cipher("x", "k");
  EXPECT_EQ(companions, Strings{TemporaryNameFor(tree_.Path("x"), 1)});
  EXPECT_EQ(tree_.ReadFile("x"), Expected("datos de x", "k", kEncipher));
  EXPECT_EQ(tree_.ReadFile("x.2"), "el fichero x.2 de la persona");
  EXPECT_EQ(tree_.ReadFile("x.2~1"), "otro");
  EXPECT_EQ(Names(), (Strings{"x", "x.2", "x.2~1"}));
  companions.clear();
  Cipher("x.2", "k");
  EXPECT_EQ(companions, Strings{TemporaryNameFor(tree_.Path("x.2"), 1)});
}

TEST_F(CipherTest, FailedWriteRemovesTheCompanionAndKeepsTheFile) {
  const std::string plain = RandomBytes(5000000, 5);
  tree_.AddFile("f.bin", plain);
  SetReplacementFaultForTesting(
      [](const std::string&, std::uint64_t written) { return written > 0 ? ENOSPC : 0; });
  prompter_.input_answers = {"k"};
  try {
    cipher_.RunFileJob(tree_.Path("f.bin"), kEncipher);
    ADD_FAILURE() << "no error";
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "Disk full");
  }
  EXPECT_EQ(ReadAll(tree_.Path("f.bin")), plain);
  EXPECT_EQ(Names(), Strings{"f.bin"});
}

// A real full disk: a tiny tmpfs in a mount namespace of a child process, so
// nothing is left mounted. Skipped where namespaces are not allowed.
TEST_F(CipherTest, FullDiskKeepsTheFileWhole) {
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
  ASSERT_NO_THROW(std::filesystem::permissions(tree_.Path("rodir"), std::filesystem::perms(0555)));
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
  EXPECT_AS_NOBODY(testing::RunAsNobody(
      [&] { return IsExistingDirectory(root); },
      [&] { return refused(root + "ro.txt") && refused(root + "rodir/f.txt"); }));
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
  const Strings files = {".oculto", "A.txt", "a.txt", "sub/b", "sub/deep/c", "x", "x.2"};
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < files.size(); ++i) {
    plain.push_back(RandomBytes(1000 + 30000 * i, static_cast<unsigned>(10 + i)));
    tree_.AddFile(files[i], plain.back());
  }
  tree_.AddDirectory("vacio");
  tree_.AddLink("enlace", "a.txt");
  tree_.AddLink("dirlink", "sub");
  ASSERT_TRUE(testing::MakeFifo(tree_.Path("fifo"), 0644));

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
  for (const char* name : {".oculto", "A.txt", "a.txt", "sub/b", "sub/deep/c", "x", "x.2"})
    expected_order.push_back(tree_.Path(name));
  EXPECT_EQ(sink_.paths, expected_order);
  EXPECT_EQ(cipher_.files_processed(), 7);
  EXPECT_EQ(cipher_.dirs_examined(), 3);                 // sub, sub/deep, vacio; never the link
  EXPECT_EQ(sink_.status1, "Fichero: 7 (176 Kbytes.)");  // x.2, 181000 bytes
  EXPECT_EQ(cipher_.recent_index(), 7u);
  EXPECT_EQ(cipher_.recent_names()[0], tree_.Path(".oculto"));
  // Links and the fifo are left as they were; no companion is left anywhere.
  EXPECT_EQ(StatPath(tree_.Path("enlace"))->kind, EntryKind::kSymlink);
  EXPECT_EQ(StatPath(tree_.Path("fifo"))->kind, EntryKind::kOther);
  EXPECT_EQ(Names(), (Strings{".oculto", "A.txt", "a.txt", "dirlink", "enlace", "fifo", "sub",
                              "vacio", "x", "x.2"}));
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
}  // namespace zuruza
