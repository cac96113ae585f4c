#include "fileops_engine/bank_file.h"

#include <cstring>

#include "platform/text_stream.h"

namespace dv {

std::optional<NamedBank> ParseBankLine(const std::string& line) {
  const size_t width = std::strlen(kBankSeparator);
  size_t at = line.find(kBankSeparator);
  if (at == std::string::npos) return std::nullopt;
  NamedBank bank{line.substr(0, at), {}};
  for (size_t start = at + width;; start = at + width) {
    at = line.find(kBankSeparator, start);
    bank.entries.push_back(line.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
  }
  return bank;
}

std::vector<NamedBank> ReadBankFile(const std::string& path) {
  std::vector<NamedBank> banks;
  TextStream in = TextStream::Open(path, IOMode::ForReading, false);
  while (!in.AtEndOfStream())
    if (auto bank = ParseBankLine(in.ReadLine())) banks.push_back(std::move(*bank));
  return banks;
}

}  // namespace dv
