// What the workbook tests share: workbooks read back through unzip, and .xlsx helpers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "platform/spreadsheet.h"

namespace zuruza::spreadsheet_test {

inline const std::string kReplacement = "\xEF\xBF\xBD";

// The output of a shell command; `status` gets its exit status.
inline std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  status = ::pclose(pipe);
  return output;
}

inline std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// An entry of the zip archive, through unzip; `found` false when unzip fails.
inline std::string ZipEntry(const std::string& archive, const std::string& entry, bool& found) {
  int status = 0;
  std::string content =
      RunCommand("unzip -p " + Quoted(archive) + " " + Quoted(entry) + " 2>/dev/null", status);
  found = status == 0;
  return content;
}

inline std::string ZipEntry(const std::string& archive, const std::string& entry) {
  bool found = false;
  std::string content = ZipEntry(archive, entry, found);
  EXPECT_TRUE(found) << entry << " of " << archive;
  return content;
}

inline void AppendUtf8(unsigned long code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The text a spreadsheet application reads from XML character data: entity
// references, then "_xHHHH_" escapes.
inline std::string DecodeXmlText(std::string_view xml) {
  std::string unescaped;
  for (std::size_t i = 0; i < xml.size(); ++i) {
    if (xml[i] != '&') {
      unescaped += xml[i];
      continue;
    }
    const std::size_t end = xml.find(';', i);
    const std::string_view entity = xml.substr(i + 1, end - i - 1);
    if (entity == "amp")
      unescaped += '&';
    else if (entity == "lt")
      unescaped += '<';
    else if (entity == "gt")
      unescaped += '>';
    else if (entity == "quot")
      unescaped += '"';
    else if (entity == "apos")
      unescaped += '\'';
    else if (!entity.empty() && entity[0] == '#')
      AppendUtf8(entity.size() > 1 && entity[1] == 'x'
                     ? std::stoul(std::string(entity.substr(2)), nullptr, 16)
                     : std::stoul(std::string(entity.substr(1))),
                 unescaped);
    else
      ADD_FAILURE() << "unknown entity " << entity;
    i = end;
  }
  std::string text;
  for (std::size_t i = 0; i < unescaped.size(); ++i) {
    const std::string_view rest = std::string_view(unescaped).substr(i);
    if (rest.size() >= 7 && rest[0] == '_' && rest[1] == 'x' && rest[6] == '_' &&
        rest.substr(2, 4).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos) {
      AppendUtf8(std::stoul(std::string(rest.substr(2, 4)), nullptr, 16), text);
      i += 6;
    } else {
      text += unescaped[i];
    }
  }
  return text;
}

inline std::string Attribute(std::string_view tag, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t start = tag.find(key);
  if (start == std::string_view::npos) return "";
  const std::size_t value = start + key.size();
  return std::string(tag.substr(value, tag.find('"', value) - value));
}

inline std::vector<std::string> SharedStrings(const std::string& xml) {
  std::vector<std::string> strings;
  std::size_t pos = 0;
  while ((pos = xml.find("<si>", pos)) != std::string::npos) {
    const std::size_t end = xml.find("</si>", pos);
    const std::string_view item = std::string_view(xml).substr(pos, end - pos);
    std::string text;
    for (std::size_t t = item.find("<t"); t != std::string_view::npos; t = item.find("<t", t)) {
      const std::size_t open_end = item.find('>', t);
      const std::size_t close = item.find("</t>", open_end);
      text += DecodeXmlText(item.substr(open_end + 1, close - open_end - 1));
      t = close;
    }
    strings.push_back(text);
    pos = end;
  }
  return strings;
}

// The cells of the first worksheet, by reference ("A1"), with their texts.
inline std::map<std::string, std::string> SheetCells(const std::string& workbook) {
  std::map<std::string, std::string> cells;
  const std::string sheet = ZipEntry(workbook, "xl/worksheets/sheet1.xml");
  if (sheet.find("<c ") == std::string::npos) return cells;
  const std::vector<std::string> strings =
      SharedStrings(ZipEntry(workbook, "xl/sharedStrings.xml"));
  for (std::size_t c = sheet.find("<c "); c != std::string::npos; c = sheet.find("<c ", c + 1)) {
    const std::string_view tag = std::string_view(sheet).substr(c, sheet.find('>', c) - c);
    const std::string reference = Attribute(tag, "r");
    EXPECT_EQ(Attribute(tag, "t"), "s") << "cell " << reference << " is not a text";
    const std::size_t value = sheet.find("<v>", c);
    const std::size_t index =
        std::stoul(sheet.substr(value + 3, sheet.find("</v>", value) - value - 3));
    if (index >= strings.size()) {
      ADD_FAILURE() << "cell " << reference << " has no shared string " << index;
      continue;
    }
    cells[reference] = strings[index];
  }
  return cells;
}

inline std::vector<std::string> SheetNames(const std::string& workbook) {
  std::vector<std::string> names;
  const std::string xml = ZipEntry(workbook, "xl/workbook.xml");
  for (std::size_t s = xml.find("<sheet "); s != std::string::npos; s = xml.find("<sheet ", s + 1))
    names.push_back(
        DecodeXmlText(Attribute(std::string_view(xml).substr(s, xml.find('>', s) - s), "name")));
  return names;
}

inline bool IsWellFormedUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    unsigned long code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

inline std::vector<std::string> DirectoryNames(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::function<bool(const std::string&)> Opener(std::vector<std::string>& opened,
                                                      bool result = true) {
  return [&opened, result](const std::string& path) {
    opened.push_back(path);
    return result;
  };
}

// A backend with its workbook added and the sheet selected.
inline std::unique_ptr<Spreadsheet> ReadyXlsx(const std::string& path,
                                              std::vector<std::string>& opened) {
  std::unique_ptr<Spreadsheet> sheet = MakeXlsxSpreadsheet(path, Opener(opened));
  sheet->CreateApplication("Excel.Application");
  sheet->AddWorkbook();
  sheet->SelectWorksheet("Hoja1");
  return sheet;
}

template <typename Call>
std::string ErrorText(Call call) {
  try {
    call();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no Error)";
}

}  // namespace zuruza::spreadsheet_test
