#pragma once
// The processing bank file (DVPBank.dvb): one named bank per line, the name and then "@FBS@" before each entry,
// bytes as they are, CR LF. dorvane-cli reads it; the file operations window reads and writes the same lines.
#include <optional>
#include <string>
#include <vector>

#include "fileops_engine/operation_settings.h"

namespace dv {

inline constexpr char kBankSeparator[] = "@FBS@";
inline constexpr char kBankFileName[] = "DVPBank.dvb";

struct NamedBank {
  std::string name;
  std::vector<std::string> entries;
};

// Splits one line of the file; nullopt for a line without the separator, which names no bank.
std::optional<NamedBank> ParseBankLine(const std::string& line);

// Every bank of the file, in file order. Throws dv::Error when the file cannot be read.
std::vector<NamedBank> ReadBankFile(const std::string& path);

// The line of a bank named `name` holding `entries`: "Work@FBS@/a.txt@FBS@/data/".
std::string BankLine(const std::string& name, const std::vector<std::string>& entries);

// Every line of the file as it stands (to rewrite it in place); empty when the file is missing. Throws dv::Error
// when it cannot be read.
std::vector<std::string> ReadBankLines(const std::string& path);

// Writes the non-empty lines through a temporary file and a rename: a crash while saving never loses the banks
// already stored. Throws dv::Error.
void WriteBankFile(const std::string& path, const std::vector<std::string>& lines);

// `entries` without repeats, the first of each kept: two entries are one when they have the same kind (folder,
// contents, file) and the same absolute path made lexically ("/a/b/" and "/a//b/"). Empty entries stay as they
// are (they name nothing and are passed over). A bank acting twice on one entry would act on its own result.
std::vector<std::string> UniqueBankEntries(std::vector<std::string> entries);

// An entry as stored: "folder/" a folder with its contents, "folder/*.*" its contents only, else a file.
BankEntry ParseBankEntry(const std::string& text);
std::string BankEntryText(const BankEntry& entry);
// The bank as a source: the entries given again dropped (UniqueBankEntries), the empty ones left out.
BankSource ParseBankEntries(const std::vector<std::string>& entries);

// How an entry is shown: 1 a folder with its contents ("folder/"), 3 the contents only ("folder/*.*"), 2 a file.
int BankEntryIcon(const std::string& entry);

// The list column's width in twips: 6700 when the longest entry has fewer than 46 characters, else 115 a
// character of the longest.
long BankColumnTwips(const std::vector<std::string>& entries);

// Where the bank file goes when no place is chosen yet: DVPBank.dvb in the program's folder when it can be
// written there (an existing one is used as it is, never emptied), else the same name in the per-user data folder
// (made when missing); empty when neither can take it (the caller then asks with a save dialog).
std::string LocateBankFile(const std::string& programFolder, const std::string& userDataFolder);

}  // namespace dv
