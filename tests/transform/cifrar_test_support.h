// What the file cipher tests share: its rule written out, test contents and a fixture.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/report_sink.h"
#include "platform/atomic_replace.h"
#include "platform/fs.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "transform/cifrar.h"

namespace zuruza::cifrar_test {

using Strings = std::vector<std::string>;

inline constexpr auto kEncipher = CipherDirection::kEncipher;
inline constexpr auto kDecipher = CipherDirection::kDecipher;

// The cipher's rule, written out on its own: the byte at offset p is shifted
// twice by key[((p mod 50000) mod L) + 1] (1-based), modulo 256.
inline std::string Expected(const std::string& plain, std::string_view key,
                            CipherDirection direction) {
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

inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; i += 4) {
    const std::uint32_t word = random();
    std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(4, size - i));
  }
  return bytes;
}

// Every byte value, over and over: each one meets each key position.
inline std::string Ramp(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

// Reads a whole file at once (a stream copy takes seconds for 50 MB).
inline std::string ReadAll(const std::string& path) {
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

// Records the captions of the input boxes and every path shown in panel 1.
class CipherPrompter : public testing::ScriptedPrompter {
 public:
  std::string InputBox(std::string_view caption, std::string_view prompt,
                       std::string_view default_text) override {
    captions.emplace_back(caption);
    defaults.emplace_back(default_text);
    return testing::ScriptedPrompter::InputBox(caption, prompt, default_text);
  }
  Strings captions, defaults;
};

class PathHistorySink : public testing::RecordingSink {
 public:
  void SetStatus(StatusBar bar, std::string_view text) override {
    testing::RecordingSink::SetStatus(bar, text);
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

  testing::TempTree tree_;
  PathHistorySink sink_;
  CipherPrompter prompter_;
  FileCipher cipher_{sink_, prompter_};
};

}  // namespace zuruza::cifrar_test
