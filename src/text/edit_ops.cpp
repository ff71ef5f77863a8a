#include "text/edit_ops.h"

#include <cerrno>
#include <cstdio>
#include <optional>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "platform/atomic_replace.h"
#include "platform/file.h"
#include "platform/fs.h"

namespace zuruza {

namespace {

// Insertion from a column keeps at most this many characters after E.
constexpr long long kKeptAfterColumn = 500;

}  // namespace

void LineTransform::Apply(std::string_view line, std::int64_t n, std::string& out) const {
  out.clear();
  switch (operation) {
    case LineOperation::kInsertAtStart:
      out.reserve(insert.size() + line.size());
      out.append(insert).append(line);
      return;
    case LineOperation::kInsertAtEnd:
      out.reserve(insert.size() + line.size());
      out.append(line).append(insert);
      return;
    case LineOperation::kInsertAtColumn:
      // Columns come from a 32-bit answer, so column - 1 cannot overflow.
      out.append(CharSubstring(line, 1, column - 1))
          .append(insert)
          .append(CharSubstring(line, column, kKeptAfterColumn));
      return;
    case LineOperation::kNumberLines:
      if (number_first) {
        out.append(FormatInt(n)).append(line);
      } else {
        out.append(line).append(FormatInt(n));
      }
      return;
    case LineOperation::kExtractColumns:
      out = CharSubstring(line, from, to - from + 1);
      return;
    case LineOperation::kExtractDirectories:
      out.assign(DirectoryPart(line));
      return;
  }
}

std::string LineTransform::Apply(std::string_view line, std::int64_t n) const {
  std::string out;
  Apply(line, n, out);
  return out;
}

LineTransform AskLineTransform(LineOperation operation, std::string_view insert,
                               Prompter& prompter) {
  LineTransform transform;
  transform.operation = operation;
  transform.insert = std::string(insert);
  switch (operation) {
    case LineOperation::kInsertAtColumn:
      transform.column = StrToInt(prompter.InputBox("Insertar cadena", "En qué COLUMNA?", "10"));
      break;
    case LineOperation::kNumberLines: {
      const std::string answer = UpperAscii(
          prompter.InputBox("Numeración de líneas", "Al principio(P) o al final(F)", "P"));
      transform.number_first = !answer.empty() && answer[0] == 'P';
      break;
    }
    case LineOperation::kExtractColumns:
      transform.from = StrToInt(prompter.InputBox("Extraer Columnas", "Desde qué Columna?", "1"));
      transform.to = StrToInt(prompter.InputBox("Extraer Columnas", "Hasta qué Columna?", "255"));
      break;
    case LineOperation::kInsertAtStart:
    case LineOperation::kInsertAtEnd:
    case LineOperation::kExtractDirectories:
      break;
  }
  return transform;
}

std::string_view DirectoryPart(std::string_view line) {
  const std::size_t cut = line.find_last_of(std::string_view("\\:/", 3));
  if (cut == std::string_view::npos) return {};
  return line.substr(0, cut + 1);
}

PaneText SplitPaneText(std::string_view text) {
  PaneText pane;
  if (text.empty()) return pane;
  pane.final_break = text.back() == '\n';
  if (pane.final_break) text.remove_suffix(1);
  for (;;) {
    const std::size_t cut = text.find('\n');
    pane.lines.emplace_back(text.substr(0, cut));
    if (cut == std::string_view::npos) break;
    text.remove_prefix(cut + 1);
  }
  return pane;
}

std::string JoinPaneText(const PaneText& pane) {
  std::string text;
  std::size_t size = pane.lines.size() + 1;
  for (const std::string& line : pane.lines) size += line.size();
  text.reserve(size);
  for (std::size_t i = 0; i < pane.lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += pane.lines[i];
  }
  if (pane.final_break && !pane.lines.empty()) text += '\n';
  return text;
}

std::string LoadPaneFile(const std::string& path) {
  // The pane's own line rules, not the text-file ones: every kind of break
  // ends a line and a Ctrl-Z is an ordinary character.
  std::string bytes = ReadWholeFile(path);

  const std::size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      text += bytes[i];
      continue;
    }
    text += '\n';
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  return text;
}

std::string PaneTextToFile(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() + CountLineEnds(text) + 64);
  for (;;) {
    const std::size_t cut = text.find('\n');
    bytes.append(text.substr(0, cut));
    if (cut == std::string_view::npos) break;
    bytes.append("\r\n");
    text.remove_prefix(cut + 1);
  }
  return bytes;
}

void SavePaneFile(const std::string& path, std::string_view text) {
  const std::string bytes = PaneTextToFile(text);
  std::optional<DirEntry> existing = StatPath(path);
  if (existing && existing->kind == EntryKind::kFile) {
    AtomicReplacement file;
    file.OpenSource(path);
    file.CreateCompanion();
    file.Write(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    file.Commit();
    return;
  }
  // A new name, or a link followed to its target.
  TextWriter writer(path, TextWriter::Mode::kReplace);
  writer.Write(bytes);
  writer.Close();
}

std::string CaretLabel(std::int64_t line_index, std::string_view line_before_caret) {
  return "(" + FormatInt(line_index + 1) + ":" + FormatInt(Utf8Length(line_before_caret)) + ")";
}

}  // namespace zuruza
