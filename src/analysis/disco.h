// The disk occupancy tree: walks a tree, adds up the sizes of the files
// below every directory, and reports an indented tree of directory names
// with their subtree totals down to a chosen depth, then the number of
// directories and the total occupancy.
//
// Blocking; lets events run through ReportSink::ShowProgress for every
// directory. Failures (a report file that cannot be created, a depth that is
// not a number) throw zuruza::Error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "analysis/size_tree.h"
#include "core/report_file.h"
#include "core/report_sink.h"
#include "platform/directory_reader.h"

namespace zuruza {

struct OccupancyRequest {
  std::string directory;      // Edit1: empty means the current directory
  std::string depth;          // Edit3: levels below the root that get a line
  bool write_report = false;  // CheckBox1
  std::string report_path;    // Edit2
};

class DiskOccupancy {
 public:
  explicit DiskOccupancy(ReportSink& sink) : sink_(sink) {}

  // The tree lines go to the pane at the end, in one batch. The walk stays
  // on the root's file system: a directory where another one is mounted
  // (/proc below "/", a USB disk) gets its line, with nothing counted below.
  void RunOccupancy(const OccupancyRequest& request);
  // The mount points the walk stops at; read from the system when never set.
  void SetMountPoints(std::vector<std::string> mount_points) {
    mount_points_ = std::move(mount_points);
  }

  // Keeps every folder's and file's size from the next runs on, for the
  // occupancy map; off, the walk keeps only the tree's lines.
  void set_keep_sizes(bool keep) { keep_sizes_ = keep; }
  // The last run's sizes (empty unless kept), its root named as the report
  // names it.
  const SizeTree& sizes() const { return sizes_; }

  double grand_total() const { return grand_total_; }
  std::int32_t directories_examined() const { return directories_examined_; }

 private:
  // `folder` is the directory's node in the kept sizes (kNone when not kept).
  double WalkOccupancy(DirectoryReader& reader, const std::string& dir, SizeTree::Index folder);

  ReportSink& sink_;
  const OccupancyRequest* request_ = nullptr;
  ReportFile report_;
  // Every directory within the depth gets its line: there is no fixed bound.
  std::vector<std::string> tree_lines_;
  std::int32_t level_ = -1;
  std::int32_t directories_examined_ = 0;
  double grand_total_ = 0;
  bool depth_read_ = false;
  std::int32_t depth_ = 0;
  std::optional<std::vector<std::string>> mount_points_;
  std::unordered_set<std::string> boundaries_;
  bool keep_sizes_ = false;
  SizeTree sizes_;
};

}  // namespace zuruza
