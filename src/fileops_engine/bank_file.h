#pragma once
// The processing bank file (DVPBank.dvb): one named bank per line, the name and then "@FBS@" before each entry,
// bytes as they are. Read here for dorvane-cli; the file operations window reads and writes the same lines.
#include <optional>
#include <string>
#include <vector>

namespace dv {

inline constexpr char kBankSeparator[] = "@FBS@";

struct NamedBank {
  std::string name;
  std::vector<std::string> entries;
};

// Splits one line of the file; nullopt for a line without the separator, which names no bank.
std::optional<NamedBank> ParseBankLine(const std::string& line);

// Every bank of the file, in file order. Throws dv::Error when the file cannot be read.
std::vector<NamedBank> ReadBankFile(const std::string& path);

}  // namespace dv
