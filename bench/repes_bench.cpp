// The duplicate search (details on, report file on) over the 200,000-file
// tree, headless, against find TREE -type f -printf '%f\t%s\n' | sort | uniq -d;
// and the same search through the window.
// Usage: repes_bench [TREE_DIR] (default ./bench-data/tree).
#include <QApplication>
#include <cstdio>

#include "analysis/repes.h"
#include "analysis/repes_window.h"
#include "app/qt_prompter.h"
#include "bench/bench_util.h"

using namespace zuruza;

int main(int argc, char** argv) {
  bench::ThreadsFromEnvironment();
  std::string root = bench::EnsureTree(argc > 1 ? argv[1] : "bench-data/tree");
  // A copy of one branch makes some of the files repeated.
  bench::Shell("test -d '" + root + "/top7/copia' || cp -r '" + root + "/top3' '" + root +
               "/top7/copia'");
  const std::string out = "bench-data/repes-report.txt";

  bench::CountingSink sink;
  bench::SilentPrompter prompter;

  DuplicateRequest request;
  request.base_directory = root;
  request.details = true;
  request.write_report = true;
  request.report_path = out;
  request.batch_mode = true;
  DuplicateFinder finder(sink, prompter, LocaleFormats{});
  auto run = [&] { finder.RunDuplicateSearch(request); };
  double ours = bench::BestOf(3, run);
  std::printf("examined %d files, %d repeated\n", finder.files_examined(), finder.repeated_files());
  double pipeline = bench::BestOf(3, [&] {
    bench::Shell("find '" + root +
                 "' -type f -printf '%f\\t%s\\n' | sort | uniq -d > bench-data/uniq.txt");
  });
  bench::PrintWalkRatios("duplicates (headless)", ours, bench::OneThreadWalk(3, run), pipeline,
                         "find|sort|uniq", 0.7);

  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetHeadlessPrompts([](std::string_view) {});
  bool batch = false;
  TForm_repes window(&batch);
  window.Edit1->setText(QString::fromStdString(root));
  window.CheckBox1->setChecked(true);
  window.CheckBox2->setChecked(true);
  window.Edit2->setText(QString::fromStdString(out));
  window.show();
  double gui = bench::BestOf(2, [&] { window.Button1Click(); });
  bench::PrintRatio("duplicates (window vs headless)", gui, ours, "headless", 1.2);
  return 0;
}
