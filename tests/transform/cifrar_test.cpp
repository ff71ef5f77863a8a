// The file cipher on one file: its rule, the key, round trips, refusals and failed rewrites.
#include "transform/cifrar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/errors.h"
#include "platform/atomic_file.h"
#include "platform/atomic_replace.h"
#include "platform/testing/file_times.h"
#include "platform/testing/identity.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "transform/cifrar_test_support.h"

namespace zuruza::cifrar_test {
namespace {

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
  // A link and a fifo where the system has them.
  Strings specials = {"d"};
  if (testing::CanMakeLinks()) {
    tree_.AddLink("enlace", "f.bin");
    specials.push_back("enlace");
  }
  if (testing::HasFifos()) {
    ASSERT_TRUE(testing::MakeFifo(tree_.Path("fifo"), 0644));
    specials.push_back("fifo");
  }
  const std::string path = tree_.Path("f.bin");

  cipher_.RunFileJob("", kEncipher);
  cipher_.RunDirectoryJob("", kEncipher);
  EXPECT_TRUE(prompter_.prompts.empty());  // no key is asked for a missing field
  cipher_.RunDirectoryJob(tree_.Path("falta"), kEncipher);
  for (const std::string& special : specials) cipher_.RunFileJob(tree_.Path(special), kEncipher);
  EXPECT_TRUE(prompter_.prompts.empty());
  Strings refusals = {"Indique el fichero.", "Indique el directorio.",
                      "El directorio " + tree_.Path("falta") + " no existe."};
  for (const std::string& special : specials) {
    refusals.push_back(tree_.Path(special) +
                       " no es un fichero normal: sólo se cifran ficheros, no directorios, "
                       "enlaces ni ficheros especiales.");
  }
  EXPECT_EQ(prompter_.messages, refusals);

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
  Strings names = specials;
  names.push_back("f.bin");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(Names(), names);
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
  // Windows keeps neither owners nor mode bits, only the read-only
  // attribute, and a read-only file is refused.
  const bool owners = testing::HasPosixProcesses();
  if (owners && testing::IsSuperuser()) {
    ASSERT_NO_THROW(testing::SetOwnership(path, {testing::kNobodyId, testing::kNobodyId}));
  }
  testing::Ownership owner_before, owner_after;
  testing::FileTimes times_before, times_after;
  if (owners) {
    ASSERT_NO_THROW(owner_before = testing::OwnershipOf(path));
  }
  ASSERT_NO_THROW(times_before = testing::FileTimesOf(path));
  Cipher("f.bin", "k");
  std::filesystem::perms perms_after{};
  ASSERT_NO_THROW(perms_after = std::filesystem::status(path).permissions());
  if (owners) {
    ASSERT_NO_THROW(owner_after = testing::OwnershipOf(path));
  }
  ASSERT_NO_THROW(times_after = testing::FileTimesOf(path));
  if (testing::HasPermissionBits()) {
    EXPECT_EQ(perms_after & std::filesystem::perms::mask, std::filesystem::perms(0640));
  }
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

}  // namespace
}  // namespace zuruza::cifrar_test
