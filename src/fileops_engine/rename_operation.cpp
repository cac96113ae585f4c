// Rename by pattern: a file whose name matches the search pattern gets the name BuildNewName makes, in the same
// folder. An existing name is never replaced (the rename refuses to, even against a rename racing ours); a clash
// takes the first free "_DV" + counter after the new name, counting on within a run from the last one given.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/text_rules.h"
#include "fileops_engine/cls_file_ops.h"
#include "platform/path.h"
#include "platform/placement.h"

namespace dv {

namespace {

constexpr const char* kBuildNewNameLocation = "cfo:8P";
constexpr const char* kNameMatchesPatternLocation = "cfo:8Q";

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

// Gives the item `from` of the folder `dir` the name `to` unless something holds that name already (false).
bool RenameInFolder(int dir, const char* from, const std::string& to, const std::string& path) {
  return Place({dir, from}, {dir, to.c_str()}, Placing::NoReplace, path, path);
}

// Renames `from` to `to` in `dir` when the two names differ only in ASCII letter case and name one and the same
// item (a file system that ignores case); false, with nothing done, otherwise.
bool CaseOnlyChange(int dir, const char* from, const std::string& to, const std::string& path) {
  if (UpperAscii(from) != UpperAscii(to)) return false;
  struct stat a, b;
  if (::fstatat(dir, from, &a, AT_SYMLINK_NOFOLLOW) != 0 || ::fstatat(dir, to.c_str(), &b, AT_SYMLINK_NOFOLLOW) != 0 ||
      a.st_dev != b.st_dev || a.st_ino != b.st_ino)
    return false;
  return Place({dir, from}, {dir, to.c_str()}, Placing::Replace, path, path);
}

// The name a "_DV" counter is put after: a file already carrying a counter gets its counter replaced, not a
// second one.
std::string CounterBase(const std::string& path, const std::string& newName) {
  const size_t cut = newName.rfind('_');
  return EndsWithCounter(path) && cut != std::string::npos ? newName.substr(0, cut) : newName;
}

// Whether `a` and `b` in `dir` are one item (names differing in case on a file system that ignores case).
bool SameItem(int dir, const char* a, const std::string& b) {
  struct stat x, y;
  return ::fstatat(dir, a, &x, AT_SYMLINK_NOFOLLOW) == 0 && ::fstatat(dir, b.c_str(), &y, AT_SYMLINK_NOFOLLOW) == 0 &&
         x.st_dev == y.st_dev && x.st_ino == y.st_ino;
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

std::string clsFileOps::NewNameFor(const std::string& name) {
  if (!NameMatchesPattern(renamePattern_, name)) return {};
  std::string newName = BuildNewName(renamePattern_, name, DetailsOf<RenameChoice>().replacement,
                                     DetailsOf<RenameChoice>().startReplacingAt);
  // Renaming a file to its own name would only give it a counter.
  if (newName == name) return {};
  CheckNewName(newName, name);
  return newName;
}

long& clsFileOps::RenameCounter(const std::string& path, const std::string& base) {
  if (renameCountersRun_ != beneath_.Run()) {
    renameCounters_.clear();
    renameCountersRun_ = beneath_.Run();
  }
  long& next = renameCounters_[{ParentOfPath(FullPath(path)), base}];
  next = std::max(next, 1L);
  return next;
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
    const std::string newName = NewNameFor(name);
    if (newName.empty()) return;
    const std::string counterBase = CounterBase(path, newName);
    // The item is reached from the source folder without following links and renamed inside that folder; the
    // rename acts on the item itself (a link is renamed, not its target) and never replaces anything.
    ItemsBeneath::Ref ref = beneath_.Holder(path);
    // On a file system that ignores letter case (vfat, casefold folders) the "existing" new name can be the file
    // itself: a change of case only, which a plain rename makes without replacing anything.
    if (RenameInFolder(ref.dir, ref.name, newName, path) || CaseOnlyChange(ref.dir, ref.name, newName, path)) {
      RecordMoved(true, path, ref.dir, newName.c_str(), JoinPath(ParentOfPath(path), newName));
      newName_ = newName;
      result = outcome::Success;
      return;
    }
    // The numbers below the one remembered were taken when tried in this run: start from there.
    for (long& next = RenameCounter(path, counterBase);; ++next) {
      const std::string numbered = counterBase + "_DV" + std::to_string(next);
      if (RenameInFolder(ref.dir, ref.name, numbered, path)) {
        RecordMoved(true, path, ref.dir, numbered.c_str(), JoinPath(ParentOfPath(path), numbered));
        ++next;
        newName_ = numbered;
        result = outcome::Success;
        return;
      }
    }
  });
  return result;
}

long clsFileOps::PreviewRename(const std::string& path) {
  long result = outcome::NothingDone;
  const std::string name = NameOfPath(path);
  ++previewedFiles_;
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        PassError(e, l, cfoerr::Item, name.empty() ? ">>Renaming a file" : "Renaming a file at or near file " + name);
      },
      cfoloc::RenameOneFile);
  scope.Step([&] {
    const std::string newName = NewNameFor(name);
    if (newName.empty()) {
      ++unchangedFiles_;
      return;
    }
    ItemsBeneath::Ref ref = beneath_.Holder(path);
    // What the folder would hold by now: its names on the disk, changed by the renames previewed before.
    std::map<std::string, bool>& changed = previewNames_[ParentOfPath(FullPath(path))];
    auto taken = [&](const std::string& candidate) {
      auto it = changed.find(candidate);
      if (it != changed.end()) return it->second;
      struct stat st;
      return ::fstatat(ref.dir, candidate.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    };
    std::string given = newName;
    // A change of case only, on a file system that ignores case, finds the file itself under its new name.
    const bool caseOnly = changed.find(newName) == changed.end() && UpperAscii(name) == UpperAscii(newName) &&
                          SameItem(ref.dir, ref.name, newName);
    if (taken(newName) && !caseOnly) {
      for (long& next = RenameCounter(path, CounterBase(path, newName));; ++next) {
        given = CounterBase(path, newName) + "_DV" + std::to_string(next);
        if (!taken(given)) {
          ++next;
          break;
        }
      }
    }
    changed[name] = false;
    changed[given] = true;
    newName_ = given;
    result = outcome::Preview;
  });
  return result;
}

}  // namespace dv
