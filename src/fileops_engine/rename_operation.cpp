// Rename by pattern: a file whose name matches the search pattern gets the name BuildNewName makes, in the same
// folder. An existing name is never replaced (the move refuses to, even against a rename racing ours); a clash
// takes the first free "_DV" + counter after the new name.
#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "common/text_rules.h"
#include "fileops_engine/cls_file_ops.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace dv {

namespace {

constexpr const char* kBuildNewNameLocation = "cfo:8P";
constexpr const char* kNameMatchesPatternLocation = "cfo:8Q";
constexpr int kEveryMatch = 32000;

// True when `path` ends in "_DV" (any case) followed by one or more ASCII digits.
bool EndsWithCounter(const std::string& path) {
  size_t digits = path.size();
  while (digits > 0 && path[digits - 1] >= '0' && path[digits - 1] <= '9') --digits;
  if (digits == path.size() || digits < 3) return false;
  return path[digits - 3] == '_' && (path[digits - 2] == 'D' || path[digits - 2] == 'd') &&
         (path[digits - 1] == 'V' || path[digits - 1] == 'v');
}

// A new name must stay a name of the same folder.
void CheckNewName(const std::string& newName, const std::string& oldName) {
  if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string::npos ||
      newName.find('\0') != std::string::npos)
    throw Error(err::BadFileName, ErrorText(err::BadFileName) + ": the new name \"" + ControlsShown(newName) +
                                      "\" for " + ControlsShown(oldName) + " is no file name");
}

// Renames `path` to `target` when the two names differ only in ASCII letter case and name one and the same item
// (a file system that ignores case); false, with nothing done, otherwise.
bool CaseOnlyChange(const std::string& path, const std::string& target) {
  if (UpperAscii(NameOfPath(path)) != UpperAscii(NameOfPath(target))) return false;
  PathRef from(path), to(target);
  struct stat a, b;
  if (::fstatat(from.Dir(), from.Name(), &a, AT_SYMLINK_NOFOLLOW) != 0 ||
      ::fstatat(to.Dir(), to.Name(), &b, AT_SYMLINK_NOFOLLOW) != 0 || a.st_dev != b.st_dev || a.st_ino != b.st_ino)
    return false;
  if (::renameat(from.Dir(), from.Name(), to.Dir(), to.Name()) != 0) ThrowErrno(path);
  return true;
}

}  // namespace

bool clsFileOps::NameMatchesPattern(const std::string& pattern, const std::string& name) {
  // An empty pattern is never handed to the expression: it matches every name.
  if (pattern.empty()) return true;
  bool matches = false;
  ResumeScope scope = Reporting(kNameMatchesPatternLocation, cfoerr::Item, "Matching:" + pattern + " To:" + name);
  scope.Step([&] {
    renameExpression_.Pattern(pattern);
    renameExpression_.IgnoreCase(true);
    renameExpression_.Global(true);
    matches = renameExpression_.Test(name);
  });
  return matches;
}

std::string clsFileOps::BuildNewName(const std::string& pattern, const std::string& name,
                                     const std::string& replacement, int start) {
  // An empty pattern has nothing to replace: the name stays (and is then left alone).
  if (pattern.empty()) return name;
  std::string newName;
  ResumeScope scope = Reporting(kBuildNewNameLocation, cfoerr::Item);
  scope.Step([&] {
    renameExpression_.Pattern(pattern);
    renameExpression_.IgnoreCase(true);
    renameExpression_.Global(true);
    if (start == kEveryMatch) {
      newName = renameExpression_.Replace(name, replacement);
      return;
    }
    // Each match is applied to the unchanged name, so the last one decides. Counts are characters.
    const size_t keep = start > 0 ? static_cast<size_t>(start) : 0;
    newName = name;
    for (const Match& m : renameExpression_.Execute(name)) {
      const std::string after = name.substr(m.FirstIndex + m.Length);
      if (m.FirstIndex > 0)
        newName = name.substr(0, m.FirstIndex) + m.Value.substr(0, Utf8PrefixBytes(m.Value, keep > 0 ? keep - 1 : 0)) +
                  replacement + after;
      else
        newName = name.substr(0, Utf8PrefixBytes(name, keep)) + replacement + after;
    }
  });
  return newName;
}

long clsFileOps::RenameOneFile(const std::string& path) {
  long result = outcome::NothingDone;
  const std::string name = NameOfPath(path);
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        result = outcome::Failure;
        PassError(e, l, cfoerr::Item, name.empty() ? ">>Renaming a file" : "Renaming a file at or near file " + name);
      },
      cfoloc::RenameOneFile);
  scope.Step([&] {
    if (!NameMatchesPattern(rename_.searchPattern, name)) return;
    const std::string newName = BuildNewName(rename_.searchPattern, name, rename_.replacement, rename_.startReplacingAt);
    // Renaming a file to its own name would only give it a counter.
    if (newName == name) return;
    CheckNewName(newName, name);
    const std::string folder = ParentOfPath(path);
    // A file already carrying a counter gets its counter replaced, not a second one.
    const size_t cut = newName.rfind('_');
    const std::string counterBase = EndsWithCounter(path) && cut != std::string::npos ? newName.substr(0, cut) : newName;
    FileSystemObject fso;
    for (long counter = 0;; ++counter) {
      try {
        // The move acts on the item itself (a link is renamed, not its target) and never replaces.
        fso.MoveFile(path, JoinPath(folder, counter == 0 ? newName : counterBase + "_DV" + std::to_string(counter)));
        result = outcome::Success;
        return;
      } catch (const Error& e) {
        if (e.Number() != err::FileAlreadyExists) throw;
        // On a file system that ignores letter case (vfat, casefold folders) the "existing" new name can be the
        // file itself: a change of case only, which a plain rename makes without replacing anything.
        if (counter == 0 && CaseOnlyChange(path, JoinPath(folder, newName))) {
          result = outcome::Success;
          return;
        }
      }
    }
  });
  return result;
}

}  // namespace dv
