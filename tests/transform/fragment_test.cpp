// Splitting a file into fragments: their names and sizes, the status, the refusals and failures.
#include "transform/fragment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/testing/special_files.h"
#include "platform/testing/system_traits.h"
#include "support/as_nobody.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "transform/fragment_test_support.h"

namespace zuruza::fragment_test {
namespace {

using testing::ScriptedPrompter;
using testing::TempTree;

std::int64_t SizeOf(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

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
  // is truncated (where the system has links).
  if (testing::CanMakeLinks()) {
    tree_.AddFile("q/datos.bin", "abcdef");
    tree_.AddLink("q/datos.002", tree_.Path("q/datos.bin"));
    EXPECT_THROW(Split("q/datos.bin", "4", "q"), Error);
    EXPECT_EQ(tree_.ReadFile("q/datos.bin"), "abcdef");
  }

  // Into another directory it splits as any file.
  EXPECT_EQ(fragmenter_.SplitFile({tree_.Path("p/datos.001"), tree_.Path("partes"), "4"}), 2);
  EXPECT_EQ(tree_.ReadFile("partes/datos.001"), "abcd");
}

TEST_F(FragmentTest, ALinkNamedLikeAFragmentIsRefusedNeverWrittenThrough) {
  if (!testing::CanMakeLinks()) GTEST_SKIP() << "no symbolic links on this system";
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
  if (!testing::HasFifos()) GTEST_SKIP() << "no fifos on this system";
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

}  // namespace
}  // namespace zuruza::fragment_test
