#include "transform/fragment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/testing/child_process.h"
#include "platform/testing/scratch_space.h"
#include "platform/testing/special_files.h"
#include "support/as_nobody.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::ScriptedPrompter;
using testing::TempTree;
using Texts = std::vector<std::string>;

// Every status text in order, progress and final alike.
class StatusLog : public ReportSink {
 public:
  void ClearReport() override {}
  void AddReportLine(std::string_view) override {}
  void ShowProgress(StatusBar bar, std::string_view text) override { SetStatus(bar, text); }
  void SetStatus(StatusBar bar, std::string_view text) override {
    EXPECT_EQ(bar, StatusBar::kStatusBar1);
    texts.emplace_back(text);
  }
  void LetEventsRun() override { ++events_let_run; }
  Texts texts;
  int events_let_run = 0;
};

// Bytes that differ from their neighbours, so a misplaced block shows.
std::string Bytes(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

std::int64_t SizeOf(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

// The names in a directory other than "." and "..".
Texts Names(const std::string& dir) {
  std::vector<DirEntry> entries;
  ListDirectory(dir, entries);
  Texts names;
  for (const DirEntry& entry : entries)
    if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
  return names;
}

class FragmentTest : public ::testing::Test {
 protected:
  std::int64_t Split(const std::string& source, const std::string& size,
                     const std::string& dest = "partes") {
    return fragmenter_.SplitFile({tree_.Path(source), tree_.Path(dest), size});
  }
  std::int64_t Join(const std::string& first, const std::string& output) {
    return fragmenter_.JoinFragments({tree_.Path(first), tree_.Path(output)});
  }

  TempTree tree_{"partes/\n"};
  StatusLog sink_;
  ScriptedPrompter prompter_;
  Fragmenter fragmenter_{sink_, prompter_};
};

TEST(FragmentName, HasAtLeastThreeDigits) {
  const struct {
    std::int64_t number;
    const char* name;
  } rows[] = {{1, "d/x.001"},   {9, "d/x.009"},   {10, "d/x.010"},    {99, "d/x.099"},
              {100, "d/x.100"}, {999, "d/x.999"}, {1000, "d/x.1000"}, {12345, "d/x.12345"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.number);
    EXPECT_EQ(FragmentName("d/x.", row.number), row.name);
  }
}

TEST(FragmentBaseName, IsTheFileNameCutBeforeItsFirstDot) {
  const struct {
    const char* path;
    const char* base;
  } rows[] = {{"/home/u/datos.tar.gz", "datos"}, {"/home/u/sin_punto", "sin_punto"},
              {"/home/u/.bashrc", ""},           {"/home/u.v/w/fichero", "fichero"},
              {"suelto.txt", "suelto"},          {"/a/b.", "b"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(FragmentBaseName(row.path), row.base);
  }
}

TEST_F(FragmentTest, FragmentsTakeTheBaseNameInTheDestination) {
  tree_.AddFile("origen/datos.tar.gz", Bytes(1500));
  // The destination has no trailing separator: one is added.
  EXPECT_EQ(Split("origen/datos.tar.gz", "1000"), 2);
  EXPECT_EQ(Names(tree_.Path("partes")), (Texts{"datos.001", "datos.002"}));
  EXPECT_EQ(tree_.ReadFile("partes/datos.001") + tree_.ReadFile("partes/datos.002"), Bytes(1500));
  EXPECT_EQ(sink_.texts.back(), "Fragmentación Concluida.");
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(FragmentTest, FragmentSizesFollowTheRequestedSize) {
  const struct {
    std::size_t source_size;
    const char* requested;
    std::vector<std::int64_t> sizes;
  } rows[] = {
      {2500, "1000", {1000, 1000, 500}},
      {2500, "500", {500, 500, 500, 500, 500, 0}},  // a multiple: a last, empty one
      {2500, "3000", {2500}},
      {2500, " 2500", {2500, 0}},
      {0, "1000", {0}},                          // an empty source: one empty fragment
      {3000000, "1450000", {2000000, 1000000}},  // whole blocks from 1000000 on
      {3000000, "1000000", {1000000, 1000000, 1000000, 0}},
      {2500000, "999999", {999999, 999999, 500002}},
      {2900000, "2500000", {2900000, 0}},  // 2900000 already reaches the size
      {1001, "1",
       [] {  // .999 is followed by .1000; the last one is empty
         std::vector<std::int64_t> sizes(1001, 1);
         sizes.push_back(0);
         return sizes;
       }()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.source_size) + " bytes in fragments of " + row.requested);
    TempTree tree("partes/\n");
    tree.AddFile("fuente.bin", Bytes(row.source_size));
    Fragmenter fragmenter(sink_, prompter_);
    EXPECT_EQ(fragmenter.SplitFile({tree.Path("fuente.bin"), tree.Path("partes/"), row.requested}),
              static_cast<std::int64_t>(row.sizes.size()));
    std::string joined;
    for (std::size_t n = 1; n <= row.sizes.size(); ++n) {
      const std::string name =
          FragmentName(tree.Path("partes/fuente."), static_cast<std::int64_t>(n));
      EXPECT_EQ(SizeOf(name), row.sizes[n - 1]) << name;
      joined += tree.ReadFile(name.substr(tree.root().size()));
    }
    EXPECT_EQ(Names(tree.Path("partes")).size(), row.sizes.size());
    EXPECT_TRUE(joined == Bytes(row.source_size));
  }
  EXPECT_EQ(EffectiveFragmentSize(1450000), 2000000);
  EXPECT_EQ(EffectiveFragmentSize(999999), 999999);
}

TEST_F(FragmentTest, StatusNamesEachFragmentAndItsBytesBlockByBlock) {
  tree_.AddFile("big.bin", Bytes(2900000));
  // The first fragment reaches the requested size with its last block, so
  // the end of the source still opens a second, empty one.
  EXPECT_EQ(Split("big.bin", "2500000"), 2);
  const std::string name = tree_.Path("partes/big.001");
  // No block is larger than the transfer buffer.
  EXPECT_EQ(sink_.texts,
            (Texts{"Generando " + name, "Generando " + name + " (1000000bytes)",
                   "Generando " + name + " (2000000bytes)", "Generando " + name + " (2900000bytes)",
                   "Generando " + tree_.Path("partes/big.002"), "Fragmentación Concluida."}));
  EXPECT_GE(sink_.events_let_run, 4);

  sink_.texts.clear();
  tree_.AddFile("small.bin", "abc");
  EXPECT_EQ(Split("small.bin", "2"), 2);
  const std::string prefix = tree_.Path("partes/small.");
  EXPECT_EQ(sink_.texts,
            (Texts{"Generando " + prefix + "001", "Generando " + prefix + "001 (2bytes)",
                   "Generando " + prefix + "002", "Generando " + prefix + "002 (1bytes)",
                   "Fragmentación Concluida."}));
}

TEST_F(FragmentTest, SplitThenJoinGivesTheSameBytes) {
  tree_.AddFile("origen/datos.tar.gz", Bytes(2300000));
  ASSERT_EQ(Split("origen/datos.tar.gz", "700000"), 4);
  sink_.texts.clear();
  EXPECT_EQ(Join("partes/datos.001", "partes/datos.___"), 4);
  EXPECT_TRUE(tree_.ReadFile("partes/datos.___") == Bytes(2300000));
  const std::string prefix = tree_.Path("partes/datos.");
  EXPECT_EQ(
      sink_.texts,
      (Texts{"Encadenando el fichero " + prefix + "001", "Encadenando el fichero " + prefix + "002",
             "Encadenando el fichero " + prefix + "003", "Encadenando el fichero " + prefix + "004",
             "Fichero Encadenado."}));
  // Nothing else is left beside the fragments and the output.
  EXPECT_EQ(Names(tree_.Path("partes")).size(), 5u);
}

TEST_F(FragmentTest, JoinFollowsNinehundredNinetyNineWithOneThousand) {
  tree_.AddFile("uno.bin", Bytes(1001));
  ASSERT_EQ(Split("uno.bin", "1"), 1002);
  EXPECT_TRUE(IsExistingFile(tree_.Path("partes/uno.999")));
  EXPECT_EQ(tree_.ReadFile("partes/uno.1000"), Bytes(1000).substr(999));
  EXPECT_EQ(Join("partes/uno.001", "uno.junto"), 1002);
  EXPECT_TRUE(tree_.ReadFile("uno.junto") == Bytes(1001));
}

TEST_F(FragmentTest, JoinStopsAtTheFirstMissingNumber) {
  tree_.AddFile("p/x.001", "uno");
  tree_.AddFile("p/x.002", "dos");
  tree_.AddFile("p/x.004", "cuatro");
  EXPECT_EQ(Join("p/x.001", "p/x.___"), 2);
  EXPECT_EQ(tree_.ReadFile("p/x.___"), "unodos");
  EXPECT_EQ(sink_.texts.back(), "Fichero Encadenado.");
}

TEST_F(FragmentTest, JoinReplacesAnEarlierOutputKeepingItsPermissions) {
  tree_.AddFile("p/x.001", "nuevo");
  tree_.AddFile("p/x.___", "un contenido anterior mucho más largo");
  std::filesystem::permissions(tree_.Path("p/x.___"), std::filesystem::perms(0640));
  EXPECT_EQ(Join("p/x.001", "p/x.___"), 1);
  EXPECT_EQ(tree_.ReadFile("p/x.___"), "nuevo");
  std::filesystem::perms perms{};
  ASSERT_NO_THROW(perms = std::filesystem::status(tree_.Path("p/x.___")).permissions());
  EXPECT_EQ(perms & std::filesystem::perms::mask, std::filesystem::perms(0640));
  EXPECT_EQ(Names(tree_.Path("p")), (Texts{"x.001", "x.___"}));
}

TEST_F(FragmentTest, JoinThroughALinkReplacesTheLinkedFile) {
  tree_.AddFile("p/x.001", "datos");
  tree_.AddFile("real/salida.bin", "viejo");
  tree_.AddLink("p/enlace", tree_.Path("real/salida.bin"));
  EXPECT_EQ(Join("p/x.001", "p/enlace"), 1);
  EXPECT_EQ(tree_.ReadFile("real/salida.bin"), "datos");
  EXPECT_EQ(StatPath(tree_.Path("p/enlace"))->kind, EntryKind::kSymlink);
}

TEST_F(FragmentTest, JoinIntoWhatCannotBeWrittenFailsLikeItsOpening) {
  tree_.AddFile("p/x.001", "datos");
  tree_.AddDirectory("p/carpeta");
  try {
    Join("p/x.001", "p/carpeta");
    ADD_FAILURE() << "no error";
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "File access denied");
  }
  // A read-only file stays as it is, as when it refuses to open.
  tree_.AddFile("p/protegido", "anterior");
  std::filesystem::permissions(tree_.Path("p/protegido"), std::filesystem::perms(0444));
  std::filesystem::permissions(tree_.Path("p"), std::filesystem::perms(0777));
  ASSERT_TRUE(testing::MakeWorldTraversable(tree_.root()));
  EXPECT_AS_NOBODY(testing::RunAsNobody([&] { return IsExistingFile(tree_.Path("p/x.001")); },
                                        [&] {
                                          try {
                                            Join("p/x.001", "p/protegido");
                                          } catch (const IoError& error) {
                                            return std::string(error.what()) ==
                                                   "File access denied";
                                          }
                                          return false;
                                        }));
  EXPECT_EQ(tree_.ReadFile("p/protegido"), "anterior");
  EXPECT_EQ(Names(tree_.Path("p")), (Texts{"carpeta", "protegido", "x.001"}));
}

TEST_F(FragmentTest, JoinRefusesWhatWouldLoseData) {
  tree_.AddFile("p/x.001", "uno");
  tree_.AddFile("p/x.002", "dos");
  tree_.AddFile("p/x.004", "cuatro");
  tree_.AddFile("p/salida", "anterior");
  tree_.AddLink("p/alias", tree_.Path("p/x.002"));
  const struct {
    std::string first;
    std::string output;
    std::string message;
  } rows[] = {
      {"", tree_.Path("p/salida"), "Seleccione el primer fragmento (.001)."},
      {"  ", tree_.Path("p/salida"), "Seleccione el primer fragmento (.001)."},
      // Nothing to join: the earlier file is not replaced by an empty one.
      {tree_.Path("q/y.001"), tree_.Path("p/salida"),
       "No existe el primer fragmento: " + tree_.Path("q/y.001")},
      {tree_.Path("p/x.001"), "", "Indique el fichero a generar."},
      {tree_.Path("p/x.001"), tree_.Path("p/x.001"),
       "El fichero a generar no puede ser uno de los fragmentos."},
      {tree_.Path("p/x.001"), tree_.Path("p/alias"),
       "El fichero a generar no puede ser uno de los fragmentos."},
      {tree_.Path("p/x.001"), tree_.Path("p/x.004"),
       "El fichero a generar no puede ser uno de los fragmentos."},
      {tree_.Path("p/x.001"), tree_.Path("p/x.003"),
       "El fichero a generar no puede ser uno de los fragmentos."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.first + " -> " + row.output);
    prompter_.messages.clear();
    EXPECT_EQ(fragmenter_.JoinFragments({row.first, row.output}), 0);
    EXPECT_EQ(prompter_.messages, Texts{row.message});
  }
  EXPECT_EQ(tree_.ReadFile("p/salida"), "anterior");
  EXPECT_EQ(tree_.ReadFile("p/x.001") + tree_.ReadFile("p/x.002") + tree_.ReadFile("p/x.004"),
            "unodoscuatro");
  EXPECT_EQ(Names(tree_.Path("p")), (Texts{"alias", "salida", "x.001", "x.002", "x.004"}));
  EXPECT_TRUE(sink_.texts.empty());
}

TEST_F(FragmentTest, SplitRefusalsWriteNothing) {
  tree_.AddFile("fuente.bin", "contenido");
  const struct {
    std::string source;
    std::string dest;
    std::string size;
    Texts messages;
  } rows[] = {
      {"", tree_.Path("partes"), "10", {}},  // nothing chosen: nothing happens
      {" \t", tree_.Path("partes"), "10", {}},
      {tree_.Path("no_esta.bin"), tree_.Path("partes"), "10", {"El fichero NO Existe."}},
      {tree_.Path("partes"), tree_.Path("partes"), "10", {"El fichero NO Existe."}},  // a directory
      {tree_.Path("fuente.bin"), "", "10", {"Indique el directorio destino."}},
      {tree_.Path("fuente.bin"), "  ", "10", {"Indique el directorio destino."}},
      {tree_.Path("fuente.bin"),
       tree_.Path("partes"),
       "0",
       {"El tamaño de los fragmentos debe ser mayor que cero."}},
      {tree_.Path("fuente.bin"),
       tree_.Path("partes"),
       "-5",
       {"El tamaño de los fragmentos debe ser mayor que cero."}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("'" + row.source + "' -> '" + row.dest + "' size " + row.size);
    prompter_.messages.clear();
    EXPECT_EQ(fragmenter_.SplitFile({row.source, row.dest, row.size}), 0);
    EXPECT_EQ(prompter_.messages, row.messages);
  }
  EXPECT_TRUE(Names(tree_.Path("partes")).empty());
  EXPECT_TRUE(sink_.texts.empty());
}

TEST_F(FragmentTest, SizeThatIsNoNumberEndsWithTheConversionError) {
  tree_.AddFile("fuente.bin", "contenido");
  for (const char* size : {"abc", "", "12x", "1 000"}) {
    SCOPED_TRACE(size);
    try {
      Split("fuente.bin", size);
      ADD_FAILURE() << "no error";
    } catch (const ConversionError& error) {
      EXPECT_EQ(error.what(), "'" + std::string(size) + "' is not a valid integer value");
    }
  }
  EXPECT_TRUE(Names(tree_.Path("partes")).empty());
}

TEST_F(FragmentTest, MissingDestinationEndsWithTheErrorOfTheFirstFragment) {
  tree_.AddFile("fuente.bin", "contenido");
  try {
    Split("fuente.bin", "4", "no/existe");
    ADD_FAILURE() << "no error";
  } catch (const IoError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
  EXPECT_FALSE(PathExists(tree_.Path("no")));
}

TEST_F(FragmentTest, SourceNamedLikeItsOwnFragmentIsNeverOverwritten) {
  tree_.AddFile("p/datos.001", "abcdef");
  EXPECT_EQ(fragmenter_.SplitFile({tree_.Path("p/datos.001"), tree_.Path("p"), "4"}), 0);
  EXPECT_EQ(prompter_.messages,
            Texts{"El fichero a fragmentar no puede ser uno de los fragmentos."});
  EXPECT_EQ(tree_.ReadFile("p/datos.001"), "abcdef");
  EXPECT_EQ(Names(tree_.Path("p")), Texts{"datos.001"});

  // A link to the source under a later fragment's name is caught before it
  // is truncated.
  tree_.AddFile("q/datos.bin", "abcdef");
  tree_.AddLink("q/datos.002", tree_.Path("q/datos.bin"));
  EXPECT_THROW(Split("q/datos.bin", "4", "q"), Error);
  EXPECT_EQ(tree_.ReadFile("q/datos.bin"), "abcdef");

  // Into another directory it splits as any file.
  EXPECT_EQ(fragmenter_.SplitFile({tree_.Path("p/datos.001"), tree_.Path("partes"), "4"}), 2);
  EXPECT_EQ(tree_.ReadFile("partes/datos.001"), "abcd");
}

TEST_F(FragmentTest, ALinkNamedLikeAFragmentIsRefusedNeverWrittenThrough) {
  tree_.AddFile("fuente.bin", "abcdefghij");
  tree_.AddFile("otra/fichero", "ajeno");
  tree_.AddLink("partes/fuente.003", tree_.Path("otra/fichero"));
  try {
    Split("fuente.bin", "4");
    ADD_FAILURE() << "no refusal";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "El fragmento " + tree_.Path("partes/fuente.003") +
                  " es un enlace simbólico: no se escribe a través de él.");
  }
  EXPECT_EQ(tree_.ReadFile("otra/fichero"), "ajeno");
  EXPECT_EQ(Names(tree_.Path("partes")), Texts{"fuente.003"});
}

TEST_F(FragmentTest, AnEarlierFragmentIsReplacedNeverWrittenThrough) {
  tree_.AddFile("fuente.bin", "abcdef");
  tree_.AddFile("otra/fichero", "ajeno");
  ASSERT_NO_THROW(std::filesystem::create_hard_link(tree_.Path("otra/fichero"),
                                                    tree_.Path("partes/fuente.002")));
  EXPECT_EQ(Split("fuente.bin", "4"), 2);
  EXPECT_EQ(tree_.ReadFile("partes/fuente.002"), "ef");
  EXPECT_EQ(tree_.ReadFile("otra/fichero"), "ajeno");
}

TEST_F(FragmentTest, SizeDisplayShowsTheBytesAndTheFragmentNames) {
  tree_.AddFile("origen/datos.tar.gz", Bytes(2500));
  EXPECT_EQ(Fragmenter::SizeDisplay(tree_.Path("origen/datos.tar.gz")),
            "Tamaño: 2500 bytes. Se generarán ficheros de la forma: " +
                tree_.Path("origen/datos.001 ..."));
  EXPECT_THROW(
      {
        try {
          Fragmenter::SizeDisplay(tree_.Path("origen/nada"));
        } catch (const IoError& error) {
          EXPECT_STREQ(error.what(), "File not found");
          throw;
        }
      },
      IoError);
}

TEST_F(FragmentTest, FifosAreRefusedInsteadOfWaitedOn) {
  tree_.AddFile("origen/datos.bin", Bytes(10));
  tree_.AddFile("partes/.keep", "");
  const std::string source_fifo = tree_.Path("origen/tubo"),
                    fragment_fifo = tree_.Path("partes/datos.001");
  ASSERT_TRUE(testing::MakeFifo(source_fifo, 0600));
  ASSERT_TRUE(testing::MakeFifo(fragment_fifo, 0600));
  // Nobody is at the other end of either fifo: a blocking open would hang.
  auto code_of = [](auto&& call) {
    try {
      call();
    } catch (const IoError& error) {
      return error.code();
    }
    return 0;
  };
  EXPECT_EQ(code_of([&] { Fragmenter::SizeDisplay(source_fifo); }), kFileAccessDenied);
  EXPECT_EQ(code_of([&] { Split("origen/datos.bin", "4"); }), kFileAccessDenied);
  EXPECT_EQ(tree_.ReadFile("origen/datos.bin"), Bytes(10));
}

TEST_F(FragmentTest, ReadOnlySourceIsSplit) {
  tree_.AddFile("fuente.bin", "0123456789");
  ASSERT_TRUE(testing::MakeWorldTraversable(tree_.root()));
  std::filesystem::permissions(tree_.Path("fuente.bin"), std::filesystem::perms(0444));
  std::filesystem::permissions(tree_.Path("partes"), std::filesystem::perms(0777));
  const std::string source = tree_.Path("fuente.bin");
  EXPECT_AS_NOBODY(
      testing::RunAsNobody([&] { return IsExistingFile(source); },
                           [&] {
                             StatusLog sink;
                             ScriptedPrompter prompter;
                             Fragmenter fragmenter(sink, prompter);
                             return fragmenter.SplitFile({source, tree_.Path("partes"), "6"}) == 2;
                           }));
  EXPECT_EQ(tree_.ReadFile("partes/fuente.002"), "6789");
}

// Runs `check` in a child process that sees a tmpfs of 64 KiB at `dir`, in
// a mount namespace of its own. Unavailable where no namespace can be made.
enum class TmpfsResult { kPassed, kFailed, kUnavailable };

TmpfsResult OnTinyTmpfs(const std::string& dir, const std::function<bool()>& check) {
  std::optional<int> code;
  try {
    code = testing::RunInChild([&] {
      if (!testing::MountScratchTmpfs(dir, 64u << 10)) return 3;
      return check() ? 0 : 1;
    });
  } catch (const std::runtime_error&) {
    return TmpfsResult::kUnavailable;
  }
  return code == 0   ? TmpfsResult::kPassed
         : code == 3 ? TmpfsResult::kUnavailable
                     : TmpfsResult::kFailed;
}

#define EXPECT_ON_TINY_TMPFS(result)                                                  \
  do {                                                                                \
    const TmpfsResult tmpfs_result = (result);                                        \
    if (tmpfs_result == TmpfsResult::kUnavailable)                                    \
      GTEST_SKIP() << "no private tmpfs can be mounted here (no mount namespace)";    \
    EXPECT_EQ(tmpfs_result, TmpfsResult::kPassed) << "the check in the child failed"; \
  } while (false)

// In the child a failed expectation cannot reach the test: it is printed.
bool Holds(bool condition, const char* what) {
  if (!condition) std::fprintf(stderr, "does not hold: %s\n", what);
  return condition;
}

TEST_F(FragmentTest, FullDiskWhileSplittingKeepsTheFragmentsWritten) {
  tree_.AddFile("fuente.bin", Bytes(200000));
  const std::string dest = tree_.Path("partes/");
  EXPECT_ON_TINY_TMPFS(OnTinyTmpfs(dest, [&] {
    try {
      Split("fuente.bin", "50000");
      return Holds(false, "the split ends with an error");
    } catch (const IoError& error) {
      return Holds(std::string(error.what()) == "Disk full", "the error is Disk full") &&
             Holds(tree_.ReadFile("partes/fuente.001") == Bytes(50000), "fragment 1 is complete") &&
             Holds(Names(dest) == Texts{"fuente.001"}, "no half fragment is left");
    }
  }));
}

TEST_F(FragmentTest, FullDiskWhileJoiningLeavesTheEarlierOutputIntact) {
  tree_.AddFile("fuente.bin", Bytes(200000));
  ASSERT_EQ(Split("fuente.bin", "60000"), 4);
  tree_.AddDirectory("salida");
  const std::string out_dir = tree_.Path("salida/");
  EXPECT_ON_TINY_TMPFS(OnTinyTmpfs(out_dir, [&] {
    tree_.AddFile("salida/fuente.___", "anterior");
    try {
      Join("partes/fuente.001", "salida/fuente.___");
      return Holds(false, "the join ends with an error");
    } catch (const IoError& error) {
      return Holds(std::string(error.what()) == "Disk full", "the error is Disk full") &&
             Holds(tree_.ReadFile("salida/fuente.___") == "anterior",
                   "the earlier file is intact") &&
             Holds(Names(out_dir) == Texts{"fuente.___"}, "no partial file is left");
    }
  }));
}

}  // namespace
}  // namespace zuruza
