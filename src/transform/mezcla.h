// The column merger: joins two delimited text files by a key column. Each
// line of the first file is written with the first line of the second file
// whose key equals its own appended after the separator; a line without a
// match is written alone, or completed with empty columns when asked.
//
// The output ends its lines as the first file's first line ends, and is
// written under a temporary name renamed into place at the end, so a merge
// that fails leaves an earlier output as it was.
//
// Blocking. Failures (a file that cannot be opened, a column that is not a
// number) throw zuruza::Error; files are closed however the merge ends.
#pragma once

#include <string>
#include <string_view>

#include "core/prompter.h"

namespace zuruza {

struct MergeRequest {
  std::string first;      // Edit1
  std::string second;     // Edit2
  std::string output;     // Edit3
  std::string separator;  // Edit6: any string, even empty
  std::string key1;       // Edit4: column of the first file's key, from 1
  std::string key2;       // Edit5: column of the second file's key
  bool fill = false;      // CheckBox1
};

// The n-th field of a line split at `separator` (an empty separator is never
// found), without the bytes of 32 and below around it. A column of 0 or
// less, or past the last one, gives an empty field.
std::string ExtractField(std::string_view line, std::string_view separator, long long column);

class ColumnMerger {
 public:
  explicit ColumnMerger(Prompter& prompter) : prompter_(prompter) {}

  // The second file is read once into an index of its keys (the first line
  // of each key wins), with the same result as searching it afresh for every
  // line of the first file.
  void RunMerge(const MergeRequest& request);

 private:
  Prompter& prompter_;
};

}  // namespace zuruza
