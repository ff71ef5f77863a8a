#include "transform/fragment.h"

#include <optional>
#include <utility>

#include "base/errors.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "core/text_rules.h"
#include "platform/atomic_file.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace zuruza {

namespace {

// Fifos and devices are refused rather than waited on.
OwnedFile OpenForReading(const std::string& path) {
  return OwnedFile(OpenDataFile(path, DataOpen::kRead));
}

// True when `name` is `prefix` followed by a fragment number as FragmentName
// writes it.
bool IsFragmentOf(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return false;
  const std::string_view digits = name.substr(prefix.size());
  if (digits.size() > 18) return false;
  std::int64_t number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return number > 0 && FragmentNumber(number) == digits;
}

// True when `path` is a symbolic link, which a fragment is never written
// through.
bool IsLink(const std::string& path) {
  const std::optional<DirEntry> entry = StatPath(path);
  return entry && entry->kind == EntryKind::kSymlink;
}

std::string LinkRefusal(const std::string& name) {
  return "El fragmento " + name + " es un enlace simbólico: no se escribe a través de él.";
}

}  // namespace

std::string FragmentNumber(std::int64_t number) {
  std::string digits = FormatInt(number);
  if (number >= 0 && digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return digits;
}

std::string FragmentName(std::string_view prefix, std::int64_t number) {
  std::string name(prefix);
  name += FragmentNumber(number);
  return name;
}

std::string FragmentBaseName(std::string_view path) {
  const std::string_view name = FileNameOf(path);
  return std::string(name.substr(0, name.find('.')));
}

std::int64_t EffectiveFragmentSize(std::int64_t requested) {
  if (requested < static_cast<std::int64_t>(kTransferBufferSize)) return requested;
  const auto block = static_cast<std::int64_t>(kTransferBufferSize);
  return (requested / block + (requested % block != 0 ? 1 : 0)) * block;
}

Fragmenter::Fragmenter(ReportSink& sink, Prompter& prompter) : sink_(sink), prompter_(prompter) {}

Fragmenter::~Fragmenter() = default;

char* Fragmenter::Buffer() {
  if (!buffer_) buffer_.reset(new char[kTransferBufferSize]);
  return buffer_.get();
}

void Fragmenter::Progress(const std::string& text) {
  sink_.ShowProgress(StatusBar::kStatusBar1, text);
  sink_.LetEventsRun();
}

std::int64_t Fragmenter::SplitFile(const SplitRequest& request) {
  if (IsBlank(request.source)) return 0;
  if (!IsExistingFile(request.source)) {
    prompter_.ShowMessage("El fichero NO Existe.");
    return 0;
  }
  if (IsBlank(request.destination)) {
    prompter_.ShowMessage("Indique el directorio destino.");
    return 0;
  }
  const std::string prefix =
      WithTrailingSep(request.destination) + FragmentBaseName(request.source) + ".";
  // The source is only read; asking for write access too would refuse
  // read-only files for nothing.
  OwnedFile source = OpenForReading(request.source);
  const std::int64_t requested = StrToInt64(request.fragment_size);
  if (requested <= 0) {
    prompter_.ShowMessage("El tamaño de los fragmentos debe ser mayor que cero.");
    return 0;
  }
  // A source named like one of its own fragments, split into its own
  // directory, would be truncated by that fragment before it was read.
  const FileIdentity source_id = IdentityOf(source.get());
  const std::string source_name(FileNameOf(request.source));
  const std::string_view base_dot = std::string_view(prefix).substr(FolderOf(prefix).size());
  if (IsFragmentOf(source_name, base_dot) &&
      IdentityOf(FolderOf(prefix) + source_name) == source_id) {
    prompter_.ShowMessage("El fichero a fragmentar no puede ser uno de los fragmentos.");
    return 0;
  }

  // A link named like a fragment is refused before anything is written: it
  // would otherwise lose its target's name, or with a plain write, its
  // target's contents.
  const auto source_size = static_cast<std::int64_t>(OpenFileSize(source.get()));
  const std::int64_t fragments = source_size / EffectiveFragmentSize(requested) + 1;
  for (std::int64_t n = 1; n <= fragments; ++n) {
    if (const std::string name = FragmentName(prefix, n); IsLink(name))
      throw Error(LinkRefusal(name));
  }

  const std::size_t block = requested < static_cast<std::int64_t>(kTransferBufferSize)
                                ? static_cast<std::size_t>(requested)
                                : kTransferBufferSize;
  char* buffer = Buffer();
  std::int64_t number = 1;
  std::string name;
  // Each fragment is written under a temporary name and renamed into place
  // once whole: a failure never leaves a half fragment under a fragment's
  // name, nor replaces an earlier one with it.
  auto open_fragment = [&] {
    name = FragmentName(prefix, number);
    Progress("Generando " + name);
    // Checked again for a link made meanwhile. A hard link to the source
    // under a fragment's name is refused as well, and what a plain file
    // could not replace (a directory, a fifo) as opening it would be.
    if (const std::optional<DirEntry> entry = StatPath(name)) {
      if (entry->kind == EntryKind::kSymlink) throw Error(LinkRefusal(name));
      if (entry->kind != EntryKind::kFile) throw IoError(kFileAccessDenied);
      if (IdentityOf(name) == source_id)
        throw Error("El fichero a fragmentar no puede ser uno de los fragmentos.");
    }
    return std::make_unique<AtomicFile>(name);
  };
  std::unique_ptr<AtomicFile> fragment = open_fragment();
  std::int64_t in_fragment = 0;
  std::size_t got = 0;
  do {
    got = ReadFully(source.get(), buffer, block);
    // Tested before the write and also at the end of the source: a last
    // fragment that reached the requested size is followed by an empty one.
    if (in_fragment >= requested) {
      fragment->Commit();
      ++number;
      fragment = open_fragment();
      in_fragment = 0;
    }
    if (got > 0) {
      fragment->Write(buffer, got);
      in_fragment += static_cast<std::int64_t>(got);
      Progress("Generando " + name + " (" + FormatInt(in_fragment) + "bytes)");
    }
  } while (got != 0);
  source.Close();
  fragment->Commit();
  sink_.SetStatus(StatusBar::kStatusBar1, "Fragmentación Concluida.");
  return number;
}

std::int64_t Fragmenter::JoinFragments(const JoinRequest& request) {
  if (IsBlank(request.first_fragment)) {
    prompter_.ShowMessage("Seleccione el primer fragmento (.001).");
    return 0;
  }
  const std::string& first = request.first_fragment;
  const std::string prefix = first.substr(0, first.size() >= 3 ? first.size() - 3 : 0);
  const std::string first_name = FragmentName(prefix, 1);
  if (!IsExistingFile(first_name)) {
    // Creating the output anyway would only replace a file with nothing.
    prompter_.ShowMessage("No existe el primer fragmento: " + first_name);
    return 0;
  }
  if (IsBlank(request.output)) {
    prompter_.ShowMessage("Indique el fichero a generar.");
    return 0;
  }
  // The output must not replace a fragment: neither one of the chain (under
  // any name) nor one after a gap.
  bool output_is_fragment = IsFragmentOf(request.output, prefix);
  if (const std::optional<FileIdentity> output_id = IdentityOf(request.output)) {
    for (std::int64_t n = 1; !output_is_fragment; ++n) {
      const std::string name = FragmentName(prefix, n);
      if (!IsExistingFile(name)) break;
      output_is_fragment = IdentityOf(name) == output_id;
    }
  }
  if (output_is_fragment) {
    prompter_.ShowMessage("El fichero a generar no puede ser uno de los fragmentos.");
    return 0;
  }

  // What opening it for writing would refuse is refused before the copy:
  // a directory, or a file the user may not write.
  // The target of a link, so that the rename replaces the file and not the link.
  const std::string target = ResolvedLink(request.output);
  if (IsExistingDirectory(target) || !WritableOrMissing(target)) throw IoError(kFileAccessDenied);
  AtomicFile output(target);
  char* buffer = Buffer();
  std::int64_t number = 1;
  for (std::string current = first_name; IsExistingFile(current);
       current = FragmentName(prefix, ++number)) {
    Progress("Encadenando el fichero " + current);
    OwnedFile fragment = OpenForReading(current);
    auto remaining = static_cast<std::int64_t>(OpenFileSize(fragment.get()));
    while (remaining > 0) {
      const std::size_t count = remaining < static_cast<std::int64_t>(kTransferBufferSize)
                                    ? static_cast<std::size_t>(remaining)
                                    : kTransferBufferSize;
      // A fragment that shrank while being read.
      if (ReadFully(fragment.get(), buffer, count) != count) throw IoError(kReadBeyondEnd);
      output.Write(buffer, count);
      remaining -= static_cast<std::int64_t>(count);
      sink_.LetEventsRun();
    }
    fragment.Close();
  }
  output.Commit();
  sink_.SetStatus(StatusBar::kStatusBar1, "Fichero Encadenado.");
  return number - 1;
}

std::string Fragmenter::SizeDisplay(const std::string& source) {
  OwnedFile file = OpenForReading(source);
  const auto size = static_cast<std::int64_t>(OpenFileSize(file.get()));
  file.Close();
  return "Tamaño: " + FormatInt(size) +
         " bytes. Se generarán ficheros de la forma: " + FolderOf(source) +
         FragmentBaseName(source) + ".001 ...";
}

}  // namespace zuruza
