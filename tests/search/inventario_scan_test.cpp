// The two ways of reading a listing must give the same report, line for
// line, whatever the listing holds and wherever its buffer boundaries fall.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "search/inventario_detail.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;

std::string RandomLine(std::mt19937& rng) {
  static const std::vector<std::string> kShapes = {
      "/media/dvd (Listado generado el 01/02/2003 10:00:00) disco a_1",
      "Tamaño (bytes)  FECHA                 NOMBRE",
      "-------------- -------------------- -----------------------",
      "(         123) 01/02/2003 10:00:00> /fotos/a_1/Playa.jpg",
      "(        4567) 02/02/2003         > /fotos/b/c/carta_A.doc",
      "(           9) 03/02/2001 23:59:59> <d>/nota_a.txt",
      "(      bad) 03/02/2001         > <d>/raro.txt",
      "(          12) 99/99/2001         > /x/AAA",
      "",
      "Se han encontrado 3 ficheros.",
      "a<d>/\n_A",  // a lone LF, a line end where the system takes it as one
      "sin cierre ) ni > nada",
  };
  std::string line = kShapes[rng() % kShapes.size()];
  if (rng() % 4 == 0) line += std::string(1, "aA_/1<>"[rng() % 7]);
  return line;
}

std::string RandomListing(std::mt19937& rng) {
  std::string text;
  int lines = static_cast<int>(rng() % 60);
  for (int i = 0; i < lines; ++i) {
    text += RandomLine(rng);
    switch (rng() % 10) {
      case 0:
        text += "\r";
        break;  // a CR alone ends a line too
      case 2:
        text += "\n";
        break;  // and an LF alone where the system takes it as one
      case 1:
        if (i + 1 == lines) break;
        [[fallthrough]];
      default:
        text += "\r\n";
        break;  // the last line may have no end
    }
  }
  if (rng() % 8 == 0 && !text.empty())
    text.insert(rng() % text.size(), 1, '\x1a');  // Ctrl-Z ends it
  return text;
}

struct Outcome {
  std::vector<std::string> lines;
  std::string status;
  std::string results;
  int lines_read = 0, matches = 0, lines_added = 0;
  bool overflowed = false;
  std::string error;

  bool operator==(const Outcome&) const = default;
};

Outcome SearchWith(const TempTree& tree, const ListingSearchRequest& request, std::size_t buffer,
                   bool line_by_line, std::size_t capacity) {
  RecordingSink sink;
  ScriptedPrompter prompter;
  Outcome out;
  try {
    ResultsFile results = CreateResultsFile({tree.Path(line_by_line ? "r1.txt" : "r2.txt")});
    ListingSearchResult r =
        detail::SearchListing(tree.Path("listing.txt"), request, results, sink, LocaleFormats{},
                              2026, capacity, buffer, line_by_line);
    out.lines_read = r.lines_read;
    out.matches = r.matches;
    out.lines_added = r.lines_added;
    out.overflowed = r.pane_overflowed;
  } catch (const Error& error) {
    out.error = error.what();
  }
  out.lines = sink.lines;
  out.status = sink.status1;
  out.results = tree.ReadFile(line_by_line ? "r1.txt" : "r2.txt");
  return out;
}

TEST(ListingScan, BlocksAndLinesGiveTheSameReport) {
  std::mt19937 rng(20261208);
  const std::vector<std::string> kTexts = {"a",   "A_",       "_1", "<D>", "/",
                                           "jpg", "(LISTADO", "Á",  "e ",  "23:59"};
  for (int round = 0; round < 400; ++round) {
    TempTree tree;
    tree.AddFile("listing.txt", RandomListing(rng));
    ListingSearchRequest request;
    request.search_text = kTexts[rng() % kTexts.size()];
    if (rng() % 4 == 0) request.min_size = "100";
    if (rng() % 4 == 0) request.newer_than = "01/01/2003";
    if (rng() % 8 == 0) request.older_than = "02/02/2003 00:00:01";
    if (rng() % 16 == 0) request.older_than = "31/31/2003";
    const std::size_t buffer = std::vector<std::size_t>{3, 8, 17, 64, 0}[rng() % 5];
    const std::size_t capacity = rng() % 3 == 0 ? 2 : 1000;
    SCOPED_TRACE("round " + std::to_string(round) + " text '" + request.search_text + "' buffer " +
                 std::to_string(buffer));
    Outcome by_lines = SearchWith(tree, request, buffer, true, capacity);
    Outcome by_blocks = SearchWith(tree, request, buffer, false, capacity);
    EXPECT_EQ(by_blocks.lines, by_lines.lines);
    EXPECT_EQ(by_blocks.status, by_lines.status);
    EXPECT_EQ(by_blocks.results, by_lines.results);
    EXPECT_EQ(by_blocks.error, by_lines.error);
    EXPECT_EQ(by_blocks, by_lines);
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "listing:\n" << tree.ReadFile("listing.txt");
      break;
    }
  }
}

}  // namespace
}  // namespace zuruza
