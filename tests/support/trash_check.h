#pragma once
// A .trashinfo file read back as a desktop's trash reads it, independently of the code that wrote it.
#include <ctime>
#include <sstream>
#include <string>

#include "support/temp_tree.h"

namespace dv::test {

struct TrashInfo {
  // The item's original path (percent-decoded), or "bad: " and why a desktop would not restore from it: a first
  // line other than "[Trash Info]", a Path= that is not absolute, a DeletionDate= that does not parse.
  std::string origin;
  std::time_t deleted = 0;  // DeletionDate as local time
};

inline TrashInfo ReadTrashInfo(const std::string& infoFile) {
  std::istringstream in(TempTree::Read(infoFile));
  std::string line, encoded, date;
  if (!std::getline(in, line) || line != "[Trash Info]") return {"bad: first line '" + line + "'"};
  while (std::getline(in, line)) {
    if (line.rfind("Path=", 0) == 0) encoded = line.substr(5);
    if (line.rfind("DeletionDate=", 0) == 0) date = line.substr(13);
  }
  std::tm tm{};
  const char* end = ::strptime(date.c_str(), "%Y-%m-%dT%H:%M:%S", &tm);
  if (!end || *end || date.size() != 19) return {"bad: DeletionDate '" + date + "'"};
  if (encoded.empty() || encoded[0] != '/') return {"bad: Path '" + encoded + "'"};
  std::string path;
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%' && i + 2 < encoded.size()) {
      path += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      path += encoded[i];
    }
  }
  tm.tm_isdst = -1;
  return {path, std::mktime(&tm)};
}

}  // namespace dv::test
