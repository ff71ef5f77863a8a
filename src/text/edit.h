// The line editor's job: the thirteen operations of its "Opciones" menu,
// each run as its menu handler runs it. The six two-mode operations rewrite
// the pane's lines, or with disk mode a file into another; the seven others
// work on files only (with disk mode off they only say so).
//
// Every question is asked through the Prompter and every message shown
// there; the removal of repeated lines also writes the pane through a
// ReportSink. Blocking. Failures throw zuruza::Error (a conversion, an I/O
// error, an output that is the input); files are closed however an
// operation ends, and the input file is only ever read.
#pragma once

#include <string>
#include <vector>

#include "core/prompter.h"
#include "core/report_sink.h"
#include "text/edit_files.h"
#include "text/edit_filters.h"
#include "text/edit_ops.h"
#include "text/edit_sort.h"

namespace zuruza {

enum class EditOperation {
  kInsertAtStart,
  kInsertAtEnd,
  kInsertAtColumn,
  kNumberLines,
  kExtractColumns,
  kExtractDirectories,
  kRemoveShortLines,
  kRemoveLinesContaining,
  kRemoveLongLines,
  kRemoveLinesNotContaining,
  kRemoveRepeatedLines,
  kLineEndsToLf,
  kSortFile,
};

// True for the six operations that also work on the pane.
bool WorksOnPane(EditOperation operation);

// What the window's fields hold when an operation starts.
struct EditRequest {
  std::string insert;      // Edit1
  bool disk_mode = false;  // CheckBox1
};

inline constexpr std::string_view kDiskOnlyMessage =
    "Esta opción SOLO funciona con ficheros del DISCO.";

// A disk operation that meets a line larger than the memory can hold.
inline constexpr std::string_view kLineTooLongMessage =
    "El fichero tiene una línea demasiado larga para la memoria disponible. "
    "No se ha modificado ningún fichero.";

class LineEditor {
 public:
  LineEditor(Prompter& prompter, ReportSink& pane) : prompter_(prompter), pane_(pane) {}

  // Runs one operation. `pane_lines` are the pane's lines, in UTF-8 (their
  // columns count characters); a two-mode operation in pane mode replaces
  // each of them, nothing else touches them.
  void Run(EditOperation operation, const EditRequest& request,
           std::vector<std::string>& pane_lines);

  const EditFileNames& file_names() const { return names_; }
  // Bytes the sort may hold in memory before it sorts in chunks.
  void set_sort_memory_budget(std::size_t bytes) { sort_memory_budget_ = bytes; }

 private:
  void RunTwoMode(LineOperation operation, const EditRequest& request,
                  std::vector<std::string>& pane_lines);
  void RunFilter(LineFilterKind kind);
  void RunSort();
  void RunRemoveRepeated();
  void RunLineEndsToLf();

  Prompter& prompter_;
  ReportSink& pane_;
  EditFileNames names_;
  std::size_t sort_memory_budget_ = SortOptions{}.memory_budget;
};

}  // namespace zuruza
