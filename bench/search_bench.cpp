// The file search over a tree of 200,000 files in 20,000 directories with no
// criteria (every entry listed, report file on), against
// find TREE -printf '%p %s %T@\n' and against our one-thread walk; a search
// by a name fragment against find -iname; and the search through the window.
// Usage: search_bench [TREE_DIR] (default ./bench-data/tree).
#include <QApplication>
#include <cstdio>

#include "app/qt_prompter.h"
#include "bench/bench_util.h"
#include "core/dates.h"
#include "search/busca.h"
#include "search/busca_window.h"

using namespace zuruza;

int main(int argc, char** argv) {
  bench::ThreadsFromEnvironment();
  std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  const std::string out = "bench-data/search-report.txt";

  bench::CountingSink sink;
  bench::SilentPrompter prompter;

  SearchRequest request;
  request.drive_root = "/";
  request.directory = root;
  request.write_report = true;
  request.report_path = out;
  // No criteria at all: even the window's default date is cleared.
  FileSearch search(sink, prompter, LocaleFormats{});
  auto run = [&](const SearchRequest& from) {
    return [&search, from] {
      SearchRequest r = from;
      search.RunSearch(r);
    };
  };
  const double ours = bench::BestOf(3, run(request));
  std::printf("listed %d entries in %d directories\n", search.state().match_count,
              search.state().dirs_examined);
  const double one_thread = bench::OneThreadWalk(3, run(request));
  const double find = bench::BestOf(
      3, [&] { bench::Shell("find '" + root + "' -printf '%p %s %T@\\n' > bench-data/find.txt"); });
  bench::PrintWalkRatios("search (headless)", ours, one_thread, find, "find", 0.6);

  // A name fragment: only the names that pass are stat'ed.
  SearchRequest by_name = request;
  by_name.search_text = "_7_";
  const double named = bench::BestOf(3, run(by_name));
  std::printf("listed %d entries whose name holds \"_7_\"\n", search.state().match_count);
  const double named_one_thread = bench::OneThreadWalk(3, run(by_name));
  const double find_named = bench::BestOf(3, [&] {
    bench::Shell("find '" + root + "' -iname '*_7_*' -printf '%p %s %T@\\n' > bench-data/find.txt");
  });
  bench::PrintWalkRatios("search by name (headless)", named, named_one_thread, find_named,
                         "find -iname", 0.9);

  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  bool batch = false;
  Tform_Busca window(&batch);
  window.Edit6->setText(QString::fromStdString(root));
  window.Edit4->clear();
  window.Edit2->setText(QString::fromStdString(out));
  window.CheckBox1->setChecked(true);
  window.show();
  double gui = bench::BestOf(2, [&] { window.Button1Click(); });
  std::printf("window pane holds %d lines\n", static_cast<int>(window.Memo1->LineCount()));
  bench::PrintRatio("search (window vs headless)", gui, ours, "headless", 1.2);
  return 0;
}
