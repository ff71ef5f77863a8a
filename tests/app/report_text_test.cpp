#include "app/report_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zuruza {
namespace {

using Position = ReportText::Position;

ReportText TextOf(std::vector<std::string> lines) {
  ReportText text;
  text.Append(lines);
  return text;
}

TEST(ReportTextTest, StepsOverWholeCharactersAndLineEnds) {
  // "ó" is two bytes and "\xFF" a byte that is no UTF-8.
  const ReportText text = TextOf({"a\xC3\xB3", "\xFF"});
  const struct {
    Position at, before, after;
  } cases[] = {
      {{0, 0}, {0, 0}, {0, 1}},  // the start: nothing before
      {{0, 3}, {0, 1}, {1, 0}},  // the end of a line: over the line end
      {{1, 0}, {0, 3}, {1, 1}},
      {{1, 1}, {1, 0}, {1, 1}},  // the end: nothing after
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text.Before(c.at), c.before) << c.at.line << ":" << c.at.column;
    EXPECT_EQ(text.After(c.at), c.after) << c.at.line << ":" << c.at.column;
  }
  EXPECT_EQ(text.Clamped({5, 2}), (Position{1, 1}));
  EXPECT_EQ(text.Clamped({0, 2}), (Position{0, 1}));  // inside the two-byte letter
}

TEST(ReportTextTest, EditsSpliceBytesAndCountThemselves) {
  ReportText text = TextOf({"uno\xFF", "dos", "tres"});
  EXPECT_EQ(text.EditCount(), 0u);
  text.Remove({0, 2}, {2, 1});  // across three lines: they join
  EXPECT_EQ(text.Text("|"), "unres");
  EXPECT_EQ(text.Caret(), (Position{0, 2}));
  const Position after = text.Insert({0, 2}, "X\nY\n");
  EXPECT_EQ(after, (Position{2, 0}));
  EXPECT_EQ(text.Text("|"), "unX|Y|res");
  EXPECT_EQ(text.EditCount(), 2u);
  EXPECT_EQ(text.WidestLine(), 5u);  // the widest line seen does not shrink

  std::vector<std::string> more{"\xFF\xFE"};
  text.Append(more);  // appends are no edits
  EXPECT_EQ(text.EditCount(), 2u);
  EXPECT_EQ(text.Line(3), "\xFF\xFE");
  text.Select({3, 0}, {3, 9});
  EXPECT_EQ(text.SelectedText(), "\xFF\xFE");
}

}  // namespace
}  // namespace zuruza
