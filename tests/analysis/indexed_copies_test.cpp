#include "analysis/indexed_copies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/fs.h"
#include "search/busca.h"
#include "support/recording_sink.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace zuruza {
namespace {

using testing::RecordingSink;
using testing::ScriptedPrompter;
using testing::TempTree;
using Lines = std::vector<std::string>;

const std::string kTitle = "FICHEROS YA GUARDADOS EN DISCOS INDEXADOS";

class IndexedCopyFinderTest : public ::testing::Test {
 protected:
  // Indexes a folder of the tree into the listing, as "Indexar un Nuevo Disco" does.
  void Index(const std::string& folder, const std::string& comment) {
    RecordingSink sink;
    ScriptedPrompter prompter;
    prompter.input_answers = {comment};
    FileSearch search(sink, prompter, LocaleFormats{});
    search.set_clock([] { return CivilDateTime{{2026, 12, 8}, 9, 30, 0}; });
    search.SetIndexMode(true);
    SearchRequest request;
    request.drive_root = "/";
    request.directory = tree_.Path(folder);
    request.write_report = true;
    request.report_path = listing_;
    search.RunSearch(request);
  }

  IndexedCopiesRequest Request() const {
    IndexedCopiesRequest request;
    request.base_directory = tree_.Path("local");
    request.listing_path = listing_;
    return request;
  }

  // What the report shows between its two title lines and its closing line.
  Lines Found() const {
    EXPECT_GE(sink_.lines.size(), 4u);
    EXPECT_EQ(sink_.lines[0], kTitle);
    return Lines(sink_.lines.begin() + 2, sink_.lines.end() - 2);
  }

  TempTree tree_;
  const std::string listing_ = tree_.Path("listado.txt");
  RecordingSink sink_;
  IndexedCopyFinder finder_{sink_, LocaleFormats{}};
};

TEST_F(IndexedCopyFinderTest, FilesOfTheSameNameAndSizeAreListedWithTheirPathOnTheDisk) {
  tree_.AddFile("dvd/fotos/a.jpg", std::string(1536, 'a'));
  tree_.AddFile("dvd/fotos/b.jpg", "12345");  // a "<d>" line
  tree_.AddFile("dvd/fotos/m/c.jpg", "12");
  tree_.AddFile("dvd/fotos/z.jpg", "123");  // a full path again after the subdirectory
  Index("dvd", "DVD 1");
  tree_.AddFile("local/a.jpg", std::string(1536, 'x'));
  tree_.AddFile("local/b.jpg", "1234");  // another size
  tree_.AddFile("local/C.jpg", "12");    // another name by its case
  tree_.AddFile("local/s/b.jpg", "abcde");
  tree_.AddFile("local/s/z.jpg", "xyz");

  IndexedCopiesRequest request = Request();
  request.write_report = true;
  request.report_path = tree_.Path("informe.txt");
  finder_.Run(request);

  const std::string local = tree_.Path("local/"), dvd = tree_.Path("dvd/fotos/");
  const Lines expected = {kTitle,
                          "(Se buscan ficheros de mismo nombre y tamaño en " + listing_ + ")",
                          "",
                          "Disco: DVD 1 (08/12/2026 09:30:00)",
                          local + "a.jpg;" + dvd + "a.jpg;1536",
                          tree_.Path("local/s/b.jpg;") + dvd + "b.jpg;5",
                          tree_.Path("local/s/z.jpg;") + dvd + "z.jpg;3",
                          "",
                          "Se han encontrado 3 ficheros ya guardados en discos indexados. "
                          "(1.544 bytes)"};
  EXPECT_EQ(sink_.lines, expected);
  EXPECT_EQ(finder_.files_examined(), 5);
  EXPECT_EQ(finder_.bytes_found(), 1544u);
  EXPECT_EQ(finder_.damaged_lines(), 0);
  std::string file;
  for (const std::string& line : expected) file += line + "\r\n";
  EXPECT_EQ(tree_.ReadFile("informe.txt"), file);
  EXPECT_EQ(sink_.status1, "Archivos Examinados: 5 (z.jpg)");
  EXPECT_EQ(sink_.status2, "Directorios Examinados: 1 (s)");
}

TEST_F(IndexedCopyFinderTest, AFileOnTwoDisksIsListedUnderEachAndCountedOnce) {
  tree_.AddFile("uno/x.dat", "1234");
  tree_.AddFile("dos/otro.dat", "1");
  tree_.AddFile("tres/sub/x.dat", "abcd");
  tree_.AddFile("tres/x.dat", "abcd");  // a second copy on one disk: its first is shown
  Index("uno", "CD uno");
  Index("dos", "CD dos");  // keeps nothing of ours: no heading
  Index("tres", "CD tres");
  tree_.AddFile("local/x.dat", "wxyz");

  finder_.Run(Request());
  const std::string x = tree_.Path("local/x.dat;");
  EXPECT_EQ(Found(),
            (Lines{"", "Disco: CD uno (08/12/2026 09:30:00)", x + tree_.Path("uno/x.dat;4"), "",
                   "Disco: CD tres (08/12/2026 09:30:00)", x + tree_.Path("tres/sub/x.dat;4")}));
  EXPECT_EQ(sink_.lines.back(),
            "Se han encontrado 1 ficheros ya guardados en discos indexados. (4 bytes)");
  EXPECT_EQ(finder_.files_found(), 1);
}

TEST_F(IndexedCopyFinderTest, DamagedLinesAreSkippedAndCounted) {
  // A listing names its paths with the system's separator.
  auto native = [](std::string path) {
    std::replace(path.begin(), path.end(), '/', kPathSep);
    return path;
  };
  tree_.AddFile("listado.txt",
                "(           9) 01/01/2001         > " + native("/antes/a.txt") +
                    "\r\n"  // before any disk
                    + native("/media/cd") +
                    " (Listado generado el 03/02/2001 10:20:30) Fotos (2)\r\n"
                    "Tamaño (bytes)  FECHA                 NOMBRE\r\n"
                    "-------------- -------------------- -----------------------\r\n"
                    "(           5) 01/01/2001         > " +
                    native("/media/cd/d/a.txt") +
                    " (5 bytes)\r\n"
                    "(           3) 01/01/2001           sin flecha\r\n"
                    "(        tres) 01/01/2001         > " +
                    native("/media/cd/d/b.txt") +
                    "\r\n"
                    "basura\r\n"
                    "(           3) 01/01/2001         > " +
                    native("<d>/b.txt") +
                    "\r\n"
                    "\r\n"
                    "Se han encontrado 2 ficheros.\r\n");
  tree_.AddFile("local/a.txt", "12345");
  tree_.AddFile("local/b.txt", "123");

  finder_.Run(Request());
  EXPECT_EQ(Found(), (Lines{"", "Disco: Fotos (2) (03/02/2001 10:20:30)",
                            tree_.Path("local/a.txt;/media/cd/d/a.txt;5"),
                            tree_.Path("local/b.txt;/media/cd/d/b.txt;3")}));
  EXPECT_EQ(finder_.damaged_lines(), 4);
  EXPECT_EQ(sink_.status1, "Líneas dañadas en el listado: 4");
}

TEST_F(IndexedCopyFinderTest, MinimumSizeAndEmptyFilesLeaveFilesUnexamined) {
  tree_.AddFile("disco/grande", "0123456789");
  tree_.AddFile("disco/chico", "012");
  tree_.AddFile("disco/vacio");
  Index("disco", "USB");
  tree_.AddFile("local/grande", "abcdefghij");
  tree_.AddFile("local/chico", "abc");
  tree_.AddFile("local/vacio");

  struct Case {
    bool filter;
    std::string min_size;
    Lines found;
    int examined;
  };
  const std::string usb = tree_.Path("disco/");
  const std::string chico = tree_.Path("local/chico;") + usb + "chico;3";
  const std::string grande = tree_.Path("local/grande;") + usb + "grande;10";
  for (const Case& c : {Case{false, "", {chico, grande}, 2}, Case{true, "10", {grande}, 1},
                        Case{true, "11", {}, 0}, Case{true, "-5", {chico, grande}, 2}}) {
    SCOPED_TRACE(c.min_size);
    IndexedCopiesRequest request = Request();
    request.min_size_filter = c.filter;
    request.min_size = c.min_size;
    finder_.Run(request);
    Lines found = Found();
    if (!found.empty()) found.erase(found.begin(), found.begin() + 2);  // the disk's heading
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(finder_.files_examined(), c.examined);
  }
}

TEST_F(IndexedCopyFinderTest, BadInputsAreErrors) {
  tree_.AddFile("local/a", "1");
  IndexedCopiesRequest request = Request();
  try {
    finder_.Run(request);
    ADD_FAILURE() << "a missing listing must be an error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "No se puede abrir el listado: " + listing_ + " (File not found)");
  }

  tree_.AddFile("listado.txt", "");
  request.min_size_filter = true;
  request.min_size = "mil";
  EXPECT_THROW(finder_.Run(request), ConversionError);

  request.base_directory = tree_.Path("no-existe");
  EXPECT_THROW(finder_.Run(request), Error);
}

}  // namespace
}  // namespace zuruza
