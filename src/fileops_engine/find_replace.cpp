// Find and replace inside files, on bytes: the find text's bytes are replaced by the replacement's wherever they
// stand, exactly and without overlap. Which files: in text mode those whose name ends in one of the listed
// extensions (any letter case), else all; only regular files of 1 to 519,999,999 bytes. The file is rewritten
// through a temporary file and one rename (platform/byte_replace.h); a file without a match is never touched.
#include <string>
#include <vector>

#include "fileops_engine/cls_file_ops.h"
#include "platform/byte_replace.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace dv {

namespace {

constexpr uint64_t kLargestTreated = 519'999'999;

// The extensions of the list ".txt, md;*.HTML": trimmed, a leading "*" dropped, a missing "." added, upper case.
std::vector<std::string> TextExtensions(const std::string& list) {
  std::vector<std::string> out;
  size_t from = 0;
  while (from <= list.size()) {
    size_t end = list.find_first_of(",;", from);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(from, end - from);
    const size_t first = entry.find_first_not_of(" \t");
    entry = first == std::string::npos ? "" : entry.substr(first, entry.find_last_not_of(" \t") - first + 1);
    if (!entry.empty() && entry[0] == '*') entry.erase(0, 1);
    if (!entry.empty() && entry != ".") out.push_back(UpperAscii(entry[0] == '.' ? entry : "." + entry));
    from = end + 1;
  }
  return out;
}

bool HasTextExtension(const std::string& name, const std::string& list) {
  const std::string upper = UpperAscii(name);
  for (const std::string& ext : TextExtensions(list))
    if (upper.size() >= ext.size() && upper.compare(upper.size() - ext.size(), ext.size(), ext) == 0) return true;
  return false;
}

// The name split at its last ".": "report.txt" -> "report_DVBU.txt", "README" -> "README_DVBU". A leading "."
// stays with the base (".profile" -> ".profile_DVBU"), so a hidden file's backup stays hidden.
std::string BackupPath(const std::string& path) {
  const std::string name = NameOfPath(path);
  const size_t dot = name.rfind('.');
  const std::string backup = dot == std::string::npos || dot == 0 ? name + "_DVBU"
                                                                  : name.substr(0, dot) + "_DVBU" + name.substr(dot);
  return JoinPath(ParentOfPath(path), backup);
}

}  // namespace

long clsFileOps::FindAndReplaceInFile(const std::string& path) {
  long result = outcome::NothingDone;
  const std::string name = NameOfPath(path);
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        // A file that has gone since it was gathered is passed over in silence.
        if (e.Number() == err::FileNotFound || e.Number() == err::PathNotFound) return;
        result = outcome::Failure;
        PassError(e, l, cfoerr::Item,
                  name.empty() ? ">>Finding & Replacing Text" : "Finding & Replacing Text at or near file " + name);
      },
      cfoloc::FindAndReplaceInFile);
  scope.Step([&] {
    const FindReplaceChoice& c = findReplace_;
    if (c.fileTypes == 0 && !HasTextExtension(name, c.txtExtension)) return;
    PathRef ref(path);
    ItemInfo info;
    if (!StatAt(ref.Dir(), ref.Name(), info)) ThrowErrno(path);
    // Links, FIFOs, sockets and devices are never opened; nor are empty or oversized files.
    if (!info.IsRegular() || info.size < 1 || info.size > kLargestTreated) return;
    // The backup is made once the new content is safe and before it takes the file's place. Without the backup
    // asked for, the file is not rewritten.
    auto backup = [&] {
      if (c.createBackup) FileSystemObject().CopyFile(path, BackupPath(path), true);
    };
    if (ReplaceBytesInFile(path, info, c.findString, c.replaceString, backup) > 0) result = outcome::Success;
  });
  return result;
}

}  // namespace dv
