// The two tools that run from the launcher without a window of their own:
// the label/value columniser and the change of a file's date.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/line_ends.h"
#include "platform/testing/environment.h"
#include "platform/testing/system_traits.h"
#include "support/as_nobody.h"
#include "support/temp_tree.h"
#include "transform/change_date_job.h"
#include "transform/columnise_job.h"

namespace zuruza {
namespace {

using testing::TempTree;

std::string Columnise(TempTree& tree, const std::string& content, const std::string& delimiter,
                      const std::string& break_label) {
  tree.AddFile("datos.txt", content);
  ColumniseRequest request{delimiter, tree.Path("datos.txt"), break_label};
  EXPECT_EQ(ColumniseFile(request), tree.Path("datos.txt.sal"));
  return tree.ReadFile("datos.txt.sal");
}

TEST(Columniser, RepeatedLabelsAndTheBreakLabelStartRecords) {
  TempTree tree;
  const std::string six = "a=1\r\nb=2\r\na=3\r\nb=4\r\nc=5\r\na=6\r\n";
  EXPECT_EQ(Columnise(tree, six, "=", ""),
            "a=;b=;c=;\r\n\"1\";\"2\";\"\";\r\n\"3\";\"4\";\"5\";\r\n\"6\";\"\";\"\";\r\n");
  EXPECT_EQ(Columnise(tree, six, "=", "a="),
            "a=;b=;c=;\r\n\"\";\"\";\"\";\r\n\"1\";\"2\";\"\";\r\n\"3\";\"4\";\"5\";\r\n\"6\";\"\";"
            "\"\";\r\n");
}

TEST(Columniser, LabelsKeepTheDelimitersFirstByteAndValuesAreTrimmed) {
  TempTree tree;
  EXPECT_EQ(Columnise(tree, "x = y\r\nsin campo\r\n", "=", ""), "x =;\r\n\"y\";\r\n");
  EXPECT_EQ(Columnise(tree, "clave:=valor\r\n", ":=", ""), "clave:;\r\n\"=valor\";\r\n");
  EXPECT_EQ(Columnise(tree, "nada aqui\r\n", "=", ""), "\r\n\r\n");
  // An empty value leaves its slot empty: the label may come again.
  EXPECT_EQ(Columnise(tree, "a=  \r\na=2\r\n", "=", ""), "a=;\r\n\"2\";\r\n");
}

TEST(Columniser, EveryLabelKeepsItsColumnPastAHundred) {
  TempTree tree;
  std::string content;
  for (int i = 0; i < 150; ++i)
    content += "campo" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  std::string table = Columnise(tree, content, "=", "");
  EXPECT_NE(table.find("campo149=;\r\n"), std::string::npos);
  EXPECT_NE(table.find("\"148\";\"149\";\r\n"), std::string::npos);
}

TEST(Columniser, OutputThatIsTheInputUnderAnotherNameIsRefused) {
  TempTree tree;
  const std::string content = "Nombre SID        =uno\r\nclave=valor\r\n";
  tree.AddFile("d.txt", content);
  ASSERT_NO_THROW(std::filesystem::create_hard_link(tree.Path("d.txt"), tree.Path("d.txt.sal")));
  std::vector<std::string> inputs = {"d.txt"};
  if (testing::CanMakeLinks()) {  // and a symbolic link where the system has them
    tree.AddFile("c.txt", content);
    tree.AddLink("c.txt.sal", tree.Path("c.txt"));
    inputs.insert(inputs.begin(), "c.txt");
  }
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    EXPECT_THROW(ColumniseFile({"=", tree.Path(input), ""}), Error);
    EXPECT_EQ(tree.ReadFile(input), content);
  }
  // An earlier ".sal" linked to another file is replaced, never written through.
  tree.AddFile("e.txt", "a=1\r\n");
  tree.AddFile("otro.txt", "ajeno");
  ASSERT_NO_THROW(std::filesystem::create_hard_link(tree.Path("otro.txt"), tree.Path("e.txt.sal")));
  ColumniseFile({"=", tree.Path("e.txt"), ""});
  EXPECT_EQ(tree.ReadFile("e.txt.sal"), "a=;\r\n\"1\";\r\n");
  EXPECT_EQ(tree.ReadFile("otro.txt"), "ajeno");
}

TEST(Columniser, ALoneLfEndsALineAndTheTableKeepsCrLf) {
  if (!kLoneLfEndsLine) GTEST_SKIP() << "a lone LF does not end a line on this system";
  TempTree tree;
  EXPECT_EQ(Columnise(tree, "a=1\nb=2\na=3\n", "=", ""),
            "a=;b=;\r\n\"1\";\"2\";\r\n\"3\";\"\";\r\n");
}

TEST(Columniser, DelimitersAndValuesCountCharacters) {
  TempTree tree;
  // The label keeps the whole first character of the delimiter.
  EXPECT_EQ(Columnise(tree, "añoé 1999\r\n", "é", ""), "añoé;\r\n\"1999\";\r\n");
  EXPECT_EQ(Columnise(tree, "xé=y\r\n", "é=", ""), "xé;\r\n\"=y\";\r\n");
  // A value keeps 1000 characters, however many bytes each takes; an 8-bit
  // line keeps 1000 bytes.
  std::string wide;
  for (int i = 0; i < 1001; ++i) wide += "ñ";
  EXPECT_EQ(Columnise(tree, "v=" + wide + "\r\n", "=", ""),
            "v=;\r\n\"" + wide.substr(0, 2000) + "\";\r\n");
  const std::string latin(1001, '\xf1');
  EXPECT_EQ(Columnise(tree, "v=" + latin + "\r\n", "=", ""),
            "v=;\r\n\"" + latin.substr(0, 1000) + "\";\r\n");
}

TEST(Columniser, MissingInputIsAnError) {
  TempTree tree;
  EXPECT_THROW(ColumniseFile({"=", tree.Path("no.txt"), ""}), IoError);
}

class ChangeDateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::zuruza::testing::SetEnv("TZ", "UTC");
    tzset();
    tree_.AddFile("f.txt", "x");
    tree_.SetWriteTime("f.txt", 981195630);  // 03/02/2001 10:20:30
  }
  void TearDown() override {
    ::zuruza::testing::UnsetEnv("TZ");
    tzset();
  }
  UnixNanos WriteTime() { return StatPath(tree_.Path("f.txt"))->write_time; }
  TempTree tree_;
};

TEST_F(ChangeDateTest, KeepingTheShownDateSetsMidnight) {
  FileDater dater(tree_.Path("f.txt"));
  EXPECT_EQ(dater.CurrentDateText(LocaleFormats{}), "03/02/2001");
  dater.SetDate(dater.CurrentDateText(LocaleFormats{}), LocaleFormats{}, 2026);
  EXPECT_EQ(WriteTime(), 981158400LL * 1'000'000'000);
}

TEST_F(ChangeDateTest, TwoDigitYearsAndTwoNumberDates) {
  FileDater dater(tree_.Path("f.txt"));
  dater.SetDate("1/2/99", LocaleFormats{}, 2026);  // the first of February of 2099
  EXPECT_EQ(WriteTime(), 4073587200LL * 1'000'000'000);
  dater.SetDate("5/6/", LocaleFormats{}, 2026);
  EXPECT_EQ(WriteTime(), 1780617600LL * 1'000'000'000);
}

TEST_F(ChangeDateTest, InvalidTextsAndYearsOutOfRangeKeepTheDate) {
  FileDater dater(tree_.Path("f.txt"));
  const UnixNanos before = WriteTime();
  try {
    dater.SetDate("03/02/2001 10:00", LocaleFormats{}, 2026);
    FAIL() << "a time after the date is not a date";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'03/02/2001 10:00' is not a valid date");
  }
  EXPECT_THROW(dater.SetDate("1/1/1979", LocaleFormats{}, 2026), Error);
  EXPECT_THROW(dater.SetDate("1/1/2100", LocaleFormats{}, 2026), Error);
  EXPECT_EQ(WriteTime(), before);
}

TEST_F(ChangeDateTest, FileThatCannotBeWrittenIsAnError) {
  EXPECT_THROW(FileDater(tree_.Path("missing.txt")), IoError);
  EXPECT_THROW(FileDater(tree_.root()), IoError);  // a directory
  ASSERT_TRUE(::zuruza::testing::MakeWorldTraversable(tree_.root()));
  std::filesystem::permissions(tree_.Path("f.txt"), std::filesystem::perms(0444));
  const std::string path = tree_.Path("f.txt");
  EXPECT_AS_NOBODY(::zuruza::testing::RunAsNobody([&] { return PathExists(path); },
                                                  [&] {
                                                    try {
                                                      FileDater dater(path);
                                                    } catch (const IoError& error) {
                                                      return error.code() == kFileAccessDenied;
                                                    }
                                                    return false;
                                                  }));
}

}  // namespace
}  // namespace zuruza
