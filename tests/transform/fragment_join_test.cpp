// Joining fragments into one file: their order, the output they replace, the refusals, failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/errors.h"
#include "platform/fs.h"
#include "platform/testing/system_traits.h"
#include "support/as_nobody.h"
#include "transform/fragment.h"
#include "transform/fragment_test_support.h"

namespace zuruza::fragment_test {
namespace {

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
  // Windows keeps no mode bits, only the read-only attribute, which refuses the join.
  if (testing::HasPermissionBits()) {
    EXPECT_EQ(perms & std::filesystem::perms::mask, std::filesystem::perms(0640));
  }
  EXPECT_EQ(Names(tree_.Path("p")), (Texts{"x.001", "x.___"}));
}

TEST_F(FragmentTest, JoinThroughALinkReplacesTheLinkedFile) {
  if (!testing::CanMakeLinks()) GTEST_SKIP() << "no symbolic links on this system";
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
  const bool links = testing::CanMakeLinks();
  if (links) tree_.AddLink("p/alias", tree_.Path("p/x.002"));
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
    if (!links && row.output == tree_.Path("p/alias")) continue;  // no link to refuse
    SCOPED_TRACE(row.first + " -> " + row.output);
    prompter_.messages.clear();
    EXPECT_EQ(fragmenter_.JoinFragments({row.first, row.output}), 0);
    EXPECT_EQ(prompter_.messages, Texts{row.message});
  }
  EXPECT_EQ(tree_.ReadFile("p/salida"), "anterior");
  EXPECT_EQ(tree_.ReadFile("p/x.001") + tree_.ReadFile("p/x.002") + tree_.ReadFile("p/x.004"),
            "unodoscuatro");
  Texts names = {"alias", "salida", "x.001", "x.002", "x.004"};
  if (!links) names.erase(names.begin());
  EXPECT_EQ(Names(tree_.Path("p")), names);
  EXPECT_TRUE(sink_.texts.empty());
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
}  // namespace zuruza::fragment_test
