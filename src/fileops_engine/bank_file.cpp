#include "fileops_engine/bank_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path.h"
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

namespace {

// Every line of the file (LF or CR LF ends), read whole and split in one pass, so that a line of any length costs
// its length once: read line by line, a long line was searched again from its start after every block read.
std::vector<std::string> AllLines(const std::string& path) {
  TextStream in = TextStream::Open(path, IOMode::ForReading, false);
  const std::string text = in.ReadAll();
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t nl = text.find('\n', start);
    const size_t end = nl == std::string::npos ? text.size() : nl;
    lines.push_back(text.substr(start, end - start));
    if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::vector<NamedBank> ReadBankFile(const std::string& path) {
  std::vector<NamedBank> banks;
  for (const std::string& line : AllLines(path))
    if (auto bank = ParseBankLine(line)) banks.push_back(std::move(*bank));
  return banks;
}

std::string BankLine(const std::string& name, const std::vector<std::string>& entries) {
  std::string line = name;
  for (const std::string& entry : entries) line += kBankSeparator + entry;
  return line;
}

std::vector<std::string> ReadBankLines(const std::string& path) {
  if (!FileSystemObject().FileExists(path)) return {};
  return AllLines(path);
}

void WriteBankFile(const std::string& path, const std::vector<std::string>& lines) {
  AtomicFile file(path);
  for (const std::string& line : lines)
    if (!line.empty()) file.Out().WriteLine(line);
  file.Commit();
}

BankEntry ParseBankEntry(const std::string& text) {
  if (text.size() >= 3 && text.compare(text.size() - 3, 3, "*.*") == 0)
    return {BankEntry::Kind::Contents, text.substr(0, text.size() - 3)};
  if (!text.empty() && text.back() == '/') return {BankEntry::Kind::Folder, text};
  return {BankEntry::Kind::File, text};
}

std::string BankEntryText(const BankEntry& entry) {
  return entry.kind == BankEntry::Kind::Contents ? entry.path + "*.*" : entry.path;
}

BankSource ParseBankEntries(const std::vector<std::string>& entries) {
  BankSource bank;
  for (const std::string& entry : UniqueBankEntries(entries))
    if (!entry.empty()) bank.entries.push_back(ParseBankEntry(entry));
  return bank;
}

int BankEntryIcon(const std::string& entry) {
  switch (ParseBankEntry(entry).kind) {
    case BankEntry::Kind::Contents: return 3;
    case BankEntry::Kind::Folder: return 1;
    default: return 2;
  }
}

long BankColumnTwips(const std::vector<std::string>& entries) {
  size_t longest = 0;
  for (const std::string& entry : entries) {
    // Characters, not bytes: a UTF-8 name is as wide as its letters.
    size_t chars = 0;
    for (unsigned char c : entry) chars += (c & 0xC0) != 0x80;
    longest = std::max(longest, chars);
  }
  return longest < 46 ? 6700 : static_cast<long>(115 * longest);
}

namespace {

// The bank file in `folder` when it can be used: an existing one that this user may rewrite (its folder taking
// the temporary file), or a new empty one made there.
bool UsableBankFile(const std::string& folder, std::string& path) {
  if (folder.empty() || !FileSystemObject().FolderExists(folder) || ::access(folder.c_str(), W_OK | X_OK) != 0)
    return false;
  path = JoinPath(folder, kBankFileName);
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return S_ISREG(st.st_mode) && ::access(path.c_str(), W_OK) == 0;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

std::string LocateBankFile(const std::string& programFolder, const std::string& userDataFolder) {
  std::string path;
  if (UsableBankFile(programFolder, path)) return path;
  if (MakeFolderPath(userDataFolder) && UsableBankFile(userDataFolder, path)) return path;
  return {};
}

namespace {

// What makes two bank entries the same: their kind (folder, contents, file) and their absolute path, made
// lexically. A path that cannot be made absolute (the current folder has no name) is compared as given.
std::string BankEntryKey(const std::string& entry) {
  const BankEntry parsed = ParseBankEntry(entry);
  const char kind = "dcf"[static_cast<int>(parsed.kind)];
  try {
    return kind + GetAbsolutePathName(parsed.path);
  } catch (const Error&) {
    return kind + entry;
  }
}

}  // namespace

std::vector<std::string> UniqueBankEntries(std::vector<std::string> entries) {
  std::vector<std::string> kept;
  std::unordered_set<std::string> seen;
  for (std::string& entry : entries)
    if (entry.empty() || seen.insert(BankEntryKey(entry)).second) kept.push_back(std::move(entry));
  return kept;
}

}  // namespace dv
