// Find and replace inside files, on bytes: the find text's bytes are replaced by the replacement's wherever they
// stand, exactly and without overlap. Which files: in text mode those whose name ends in one of the listed
// extensions (any letter case), else all; only regular files of 1 to 519,999,999 bytes. The file is rewritten
// through a temporary file and one rename (platform/byte_replace.h); a file without a match is never touched.
#include <string>
#include <utility>
#include <vector>

#include "fileops_engine/cls_file_ops.h"
#include "platform/byte_replace.h"
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

char UpperByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The list is read once per list, not once per file: a run asks this of every file it walks.
bool HasTextExtension(const std::string& name, const std::string& list) {
  thread_local std::string parsedList;
  thread_local std::vector<std::string> extensions;
  thread_local bool parsed = false;
  if (!parsed || list != parsedList) {
    extensions = TextExtensions(list);
    parsedList = list;
    parsed = true;
  }
  for (const std::string& ext : extensions) {
    if (name.size() < ext.size()) continue;
    const char* tail = name.data() + name.size() - ext.size();
    size_t i = 0;
    while (i < ext.size() && UpperByte(tail[i]) == ext[i]) ++i;
    if (i == ext.size()) return true;
  }
  return false;
}

// The name split at its last ".": "report.txt" -> "report" and ".txt", "README" -> "README" and "". A leading "."
// stays with the base (".profile"), so a hidden file's backup stays hidden.
std::pair<std::string, std::string> SplitExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return {name, ""};
  return {name.substr(0, dot), name.substr(dot)};
}

// "report.txt" -> "report_DVBU.txt", then "report_DVBU_1.txt", "report_DVBU_2.txt", ...: an existing backup is
// never replaced.
std::string BackupName(const std::string& name, unsigned number) {
  auto [base, ext] = SplitExtension(name);
  return base + "_DVBU" + (number == 0 ? "" : "_" + std::to_string(number)) + ext;
}

// A backup made by an earlier run: its base ends in "_DVBU" or "_DVBU_" and digits. It is never rewritten, so the
// original text it keeps survives any number of runs.
bool IsBackupName(const std::string& name) {
  std::string base = SplitExtension(name).first;
  size_t end = base.size();
  while (end > 0 && base[end - 1] >= '0' && base[end - 1] <= '9') --end;
  if (end < base.size()) {
    if (end == 0 || base[end - 1] != '_') return false;
    --end;
  }
  return end >= 5 && base.compare(end - 5, 5, "_DVBU") == 0;
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
    const FindReplaceChoice& c = DetailsOf<FindReplaceChoice>();
    if (c.fileTypes == 0 && !HasTextExtension(name, c.txtExtension)) return;
    if (IsBackupName(name)) return;
    // Reached from the source folder without following links; the temporary file and the backup go into the
    // file's own folder through that handle, never through a path.
    ItemsBeneath::Ref ref = beneath_.Holder(path);
    ItemInfo info;
    if (!StatAt(ref.dir, ref.name, info)) ThrowErrno(path);
    // Links, FIFOs, sockets and devices are never opened; nor are empty or oversized files.
    if (!info.IsRegular() || info.size < 1 || info.size > kLargestTreated) return;
    // Once the new content is safe the caller's window gets a moment (a large file takes a while); then the
    // backup, and only then the new content takes the file's place. A backup asked for that cannot be made stops
    // the rewrite.
    auto backup = [&](int file) {
      Events().evtCFOCheckForClosing();
      if (c.createBackup) {
        const std::string made = CopyBesideAt(
            ref.dir, file, path, [&](unsigned number) { return BackupName(ref.name, number); }, &stop_);
        RecordAt(JournalItem::Do::Created, ref.dir, made.c_str(), JoinPath(ParentOfPath(path), made));
      }
      // The old content is kept by a link to the old file, which the rewrite then replaces by a rename.
      KeepBeforeReplacing(ref.dir, ref.name, path);
    };
    // A stop asked for meanwhile ends the rewrite between two blocks, the file as it was.
    if (ReplaceBytesAt(ref.dir, ref.name, path, info, c.findString, c.replaceString, backup, &stop_) > 0) {
      result = outcome::Success;
      RecordPlaced(JournalItem::Do::Replaced, ref.dir, ref.name, path);
    }
  });
  return result;
}

}  // namespace dv
