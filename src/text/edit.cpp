#include "text/edit.h"

#include <new>
#include <stdexcept>

#include "base/errors.h"
#include "core/numbers.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace zuruza {

namespace {

std::string LimitWarning(std::uint64_t limit) {
  return "AVISO: Ordenar solo ficheros hasta un máximo de " +
         FormatInt(static_cast<std::int64_t>(limit)) +
         " lineas y hasta 255 caracteres de longitud por línea.";
}

// Runs a disk operation. Lines have no length limit, so a line larger than
// the memory (gigabytes without a line end) fails its allocation: that ends
// the operation with a message in the program's words, and since the output
// is only renamed into place at the end, every file stays as it was.
template <typename Body>
void WithinMemory(Body&& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    throw Error(std::string(kLineTooLongMessage));
  } catch (const std::length_error&) {
    throw Error(std::string(kLineTooLongMessage));
  }
}

}  // namespace

bool WorksOnPane(EditOperation operation) {
  switch (operation) {
    case EditOperation::kInsertAtStart:
    case EditOperation::kInsertAtEnd:
    case EditOperation::kInsertAtColumn:
    case EditOperation::kNumberLines:
    case EditOperation::kExtractColumns:
    case EditOperation::kExtractDirectories:
      return true;
    default:
      return false;
  }
}

void LineEditor::Run(EditOperation operation, const EditRequest& request,
                     std::vector<std::string>& pane_lines) {
  switch (operation) {
    case EditOperation::kInsertAtStart:
      return RunTwoMode(LineOperation::kInsertAtStart, request, pane_lines);
    case EditOperation::kInsertAtEnd:
      return RunTwoMode(LineOperation::kInsertAtEnd, request, pane_lines);
    case EditOperation::kInsertAtColumn:
      return RunTwoMode(LineOperation::kInsertAtColumn, request, pane_lines);
    case EditOperation::kNumberLines:
      return RunTwoMode(LineOperation::kNumberLines, request, pane_lines);
    case EditOperation::kExtractColumns:
      return RunTwoMode(LineOperation::kExtractColumns, request, pane_lines);
    case EditOperation::kExtractDirectories:
      return RunTwoMode(LineOperation::kExtractDirectories, request, pane_lines);
    default:
      break;
  }
  if (!request.disk_mode) return prompter_.ShowMessage(kDiskOnlyMessage);
  WithinMemory([&] {
    switch (operation) {
      case EditOperation::kRemoveShortLines:
        return RunFilter(LineFilterKind::kRemoveShort);
      case EditOperation::kRemoveLinesContaining:
        return RunFilter(LineFilterKind::kRemoveContaining);
      case EditOperation::kRemoveLongLines:
        return RunFilter(LineFilterKind::kRemoveLong);
      case EditOperation::kRemoveLinesNotContaining:
        return RunFilter(LineFilterKind::kRemoveNotContaining);
      case EditOperation::kRemoveRepeatedLines:
        return RunRemoveRepeated();
      case EditOperation::kLineEndsToLf:
        return RunLineEndsToLf();
      case EditOperation::kSortFile:
        return RunSort();
      default:
        return;
    }
  });
}

void LineEditor::RunTwoMode(LineOperation operation, const EditRequest& request,
                            std::vector<std::string>& pane_lines) {
  // Every question comes before any file is named or opened.
  const LineTransform transform = AskLineTransform(operation, request.insert, prompter_);
  std::string out;
  if (!request.disk_mode) {
    for (std::size_t i = 0; i < pane_lines.size(); ++i) {
      transform.Apply(pane_lines[i], static_cast<std::int64_t>(i) + 1, out);
      pane_lines[i].swap(out);
    }
    return;
  }
  WithinMemory([&] {
    std::unique_ptr<FilePair> files = OpenFilePair(prompter_, names_);
    std::int64_t number = 0;
    std::string_view block, line;
    while (files->input().ReadBlock(block)) {
      while (NextLine(block, line)) {
        transform.Apply(line, ++number, out);
        files->output().WriteLine(out);
      }
    }
    CloseFilePair(*files, prompter_);
  });
}

void LineEditor::RunFilter(LineFilterKind kind) {
  // The question follows the file names. It is answered before the output
  // is created, so a wrong number leaves no file created or emptied.
  LineFilter filter;
  filter.kind = kind;
  auto ask = [&] {
    switch (kind) {
      case LineFilterKind::kRemoveShort:
        filter.length = StrToInt(prompter_.InputBox(
            "Eliminando LINEAS", "Con MENOS o IGUAL número de caracteres de...", "0"));
        break;
      case LineFilterKind::kRemoveLong:
        filter.length =
            StrToInt(prompter_.InputBox("Eliminando LINEAS", "Con MAS caracteres de...", "0"));
        break;
      case LineFilterKind::kRemoveContaining:
        filter.text =
            prompter_.InputBox("Eliminando LINEAS", "Que contengan la cadena de caracteres...", "");
        break;
      case LineFilterKind::kRemoveNotContaining:
        filter.text = prompter_.InputBox("Eliminando LINEAS",
                                         "Que NO contengan la cadena de caracteres...", "");
        break;
    }
  };
  std::unique_ptr<FilePair> files = OpenFilePair(prompter_, names_, ask);
  FilterLines(files->input(), files->output(), filter);
  CloseFilePair(*files, prompter_);
}

void LineEditor::RunLineEndsToLf() {
  std::unique_ptr<FilePair> files = OpenFilePair(prompter_, names_);
  ConvertLineEndsToLf(files->input(), files->output());
  CloseFilePair(*files, prompter_);
}

void LineEditor::RunSort() {
  prompter_.ShowMessage(LimitWarning(kSortLineLimit));
  std::unique_ptr<FilePair> files = OpenFilePair(prompter_, names_);
  SortOptions options;
  options.memory_budget = sort_memory_budget_;
  options.scratch_dir = DirectoryToOpen(names_.output);
  if (std::optional<DirEntry> entry = StatPath(names_.input)) options.size_hint = entry->size;
  if (SortLines(files->input(), files->output(), options) == SortResult::kTooManyLines) {
    prompter_.ShowMessage(TooManyLinesMessage(kSortLineLimit));
  }
  CloseFilePair(*files, prompter_);
}

void LineEditor::RunRemoveRepeated() {
  prompter_.ShowMessage(LimitWarning(kRepeatedLineLimit));
  std::unique_ptr<FilePair> files = OpenFilePair(prompter_, names_);
  if (RemoveRepeatedLines(files->input(), files->output(), pane_) ==
      RepeatedLinesResult::kTooManyLines) {
    prompter_.ShowMessage(TooManyLinesMessage(kRepeatedLineLimit));
  }
  CloseFilePair(*files, prompter_);
}

}  // namespace zuruza
