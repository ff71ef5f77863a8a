// The duplicate search (details on, report file on) over the 200,000-file
// tree, headless, against find TREE -type f -printf '%f\t%s\n' | sort | uniq -d;
// and the same search through the window; the search with its copies'
// contents checked against the plain one; the search by content against
// jdupes -r, with the same groups.
// Usage: repes_bench [TREE_DIR] (default ./bench-data/tree).
#include <QApplication>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "analysis/repes.h"
#include "analysis/repes_window.h"
#include "app/qt_prompter.h"
#include "bench/bench_util.h"

using namespace zuruza;

namespace {

// The groups of a report as sets of paths: ours ("Grupo ..." lines, then a
// path a line) or jdupes's (groups parted by empty lines).
std::set<std::set<std::string>> ContentGroups(const std::string& path, bool ours) {
  std::set<std::set<std::string>> groups;
  std::set<std::string> group;
  std::ifstream in(path);
  bool inside = !ours;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const bool starts = ours ? line.rfind("Grupo ", 0) == 0 : line.empty();
    if (starts || (ours && line.empty())) {
      if (!group.empty()) groups.insert(std::move(group));
      group.clear();
      inside = starts || !ours;
      continue;
    }
    if (inside && line.rfind("Se han encontrado ", 0) != 0) group.insert(line);
  }
  if (!group.empty()) groups.insert(std::move(group));
  return groups;
}

}  // namespace

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

  // "Comprobar contenido": the copies of top3 read and compared with their
  // first copies, against the plain search.
  DuplicateRequest checked = request;
  checked.check_content = true;
  const double check = bench::BestOf(3, [&] { finder.RunDuplicateSearch(checked); });
  std::printf("checked %d repeated files, %.0f MB compared\n", finder.repeated_files(),
              static_cast<double>(finder.bytes_compared()) / 1e6);
  bench::PrintRatio("duplicates, content checked", check, ours, "name and size", 2.0);

  // "Buscar por contenido" against jdupes -r: every file of a shared size read.
  DuplicateRequest by_content = request;
  by_content.details = false;
  by_content.by_content = true;
  const double content = bench::BestOf(2, [&] { finder.RunDuplicateSearch(by_content); });
  std::printf("content groups: %d repeated files, %.0f MB compared\n", finder.repeated_files(),
              static_cast<double>(finder.bytes_compared()) / 1e6);
  const std::string jdupes_out = "bench-data/jdupes.txt";
  const double jdupes =
      bench::BestOf(2, [&] { bench::Shell("jdupes -r -q '" + root + "' > " + jdupes_out); });
  const bool same = ContentGroups(out, true) == ContentGroups(jdupes_out, false);
  std::printf("content groups %s jdupes's\n", same ? "are the same as" : "DIFFER from");
  bench::PrintRatio("duplicates by content", content, jdupes, "jdupes -r", 1.0 / 3);

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
