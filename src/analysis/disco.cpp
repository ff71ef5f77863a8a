#include "analysis/disco.h"

#include <vector>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_rules.h"
#include "platform/drives.h"
#include "platform/fs.h"

namespace zuruza {

namespace {
constexpr std::size_t kNameWidth = 13;
}  // namespace

void DiskOccupancy::RunOccupancy(const OccupancyRequest& request) {
  level_ = -1;
  grand_total_ = 0;
  tree_lines_.clear();
  directories_examined_ = 0;
  depth_read_ = false;
  request_ = &request;
  sizes_.Clear();

  const std::string root =
      request.directory.empty() ? std::string(".") + kPathSep : WithTrailingSep(request.directory);

  // A failure closes the report file, keeping what was written before it.
  ReportFileCloser close_on_exit(report_);
  if (request.write_report) report_.OpenReportFile(request.report_path, false);

  boundaries_ = MountPointsBelow(root, mount_points_ ? *mount_points_ : ListMountPoints());
  {
    // Sizes are the files'; mount points below are not entered.
    DirectoryReader reader(EntryDetail::kFiles, boundaries_);
    grand_total_ =
        WalkOccupancy(reader, root, keep_sizes_ ? sizes_.AddRoot(root) : SizeTree::kNone);
  }

  for (const std::string& line : tree_lines_) {
    sink_.AddReportLine(line);
    report_.WriteReportLine(line);
  }
  const std::string examined =
      "Se han examinado " + FormatInt(directories_examined_) + " directorios";
  sink_.AddReportLine("");
  sink_.AddReportLine(examined);
  sink_.AddReportLine("La ocupación de " + root + " es: " + FormatThousands(grand_total_) +
                      " bytes.");
  if (report_.IsOpen()) {
    report_.WriteReportLine("");
    report_.WriteReportLine(examined);
    report_.WriteReportLine("La ocupación de " + root + " es: " + FormatDefaultReal(grand_total_));
    report_.CloseReportFile();
  }
  request_ = nullptr;
}

double DiskOccupancy::WalkOccupancy(DirectoryReader& reader, const std::string& dir,
                                    SizeTree::Index folder) {
  const bool keep = folder != SizeTree::kNone;
  double subtotal = 0;
  std::vector<DirEntry> entries;
  // A directory that cannot be read adds nothing.
  if (!reader.List(dir, entries)) return 0;
  for (const DirEntry& entry : entries) {
    if (!entry.IsDirectory()) {
      subtotal += static_cast<double>(entry.size);
      if (keep) sizes_.AddFile(folder, entry.name, entry.size);
      continue;
    }
    if (entry.name == "." || entry.name == "..") continue;
    ++level_;
    ++directories_examined_;
    sink_.ShowProgress(
        StatusBar::kStatusBar1,
        "Directorios Examinados: " + FormatInt(directories_examined_) + " (" + entry.name + ")");
    // The depth is read at the first directory, so that a bad number stops
    // the job there, with nothing in the pane.
    if (!depth_read_) {
      depth_ = StrToInt(request_->depth);
      depth_read_ = true;
    }
    const bool shown = depth_ >= level_ + 1;
    std::size_t line = 0;
    if (shown) {
      std::string text(level_ >= 1 ? static_cast<std::size_t>(6 * level_ - 1) : 0, ' ');
      text += '|';
      text += entry.name;
      // Padded to 13 characters (a UTF-8 sequence is one), so sizes line up.
      const auto characters = static_cast<std::size_t>(Utf8Length(entry.name));
      if (characters < kNameWidth) text.append(kNameWidth - characters, ' ');
      line = tree_lines_.size();
      tree_lines_.push_back(std::move(text));
    }
    const SizeTree::Index child =
        keep ? sizes_.AddFolder(folder, entry.name, shown ? static_cast<std::int32_t>(line) : -1)
             : SizeTree::kNone;
    const std::string path = dir + entry.name;
    const double sub =
        boundaries_.count(path) != 0 ? 0 : WalkOccupancy(reader, path + kPathSep, child);
    if (keep) sizes_.CloseFolder(child);
    if (shown) tree_lines_[line] += FormatThousands(sub);
    --level_;
    subtotal += sub;
  }
  return subtotal;
}

}  // namespace zuruza
