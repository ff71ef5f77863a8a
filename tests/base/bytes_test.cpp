#include "base/bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zuruza {
namespace {

// The fast searches and the plain ones agree on random blocks of few
// letters, where every kind of answer comes up: none, at the ends, inside.
TEST(ByteSearch, FastAndPlainSearchesGiveTheSameAnswers) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string block(random() % 40, ' ');
    for (char& c : block) c = "ab\r\n"[random() % 4];
    std::string needle(random() % 4, ' ');
    for (char& c : needle) c = "ab\r\n"[random() % 4];
    const char byte = "ab\r\n"[random() % 4];
    EXPECT_EQ(FindLastByte(block.data(), byte, block.size()),
              plain::FindLastByte(block.data(), byte, block.size()))
        << block;
    EXPECT_EQ(FindBytes(block.data(), block.size(), needle.data(), needle.size()),
              plain::FindBytes(block.data(), block.size(), needle.data(), needle.size()))
        << block << "|" << needle;
  }
}

}  // namespace
}  // namespace zuruza
