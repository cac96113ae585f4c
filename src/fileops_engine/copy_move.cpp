// Copy and move. Both put each file at its target by the same layout rules (PlaceFile): the mirrored structure,
// or one folder with numbered duplicates or overwriting. The placing itself is the platform's (CopyItem and
// MoveItem, platform/placement.h): a copy made exclusively at a free name, or through a temporary file beside
// the target it replaces; a move by a rename, or across file systems a copy, flushed and checked before the
// source goes. Sources are reached through the source folder's handle, targets through the target folder's (no
// link followed).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "common/resume_scope.h"
#include "fileops_engine/cls_file_ops.h"
#include "platform/item_info.h"
#include "platform/path.h"
#include "platform/placement.h"

namespace dv {

namespace {

constexpr int kMostDuplicates = 30000;

// The n-th numbered name: "report.txt" gives "report_n.txt", "README" gives "README_n". A leading "." belongs to
// the base, so ".profile" gives ".profile_n" and a hidden file's copy stays hidden.
std::string NumberedName(const std::string& name, int n) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name + "_" + std::to_string(n);
  return name.substr(0, dot) + "_" + std::to_string(n) + name.substr(dot);
}

// What copy and move share: the verification asked for (2 quick: lengths only; 3 full: the bytes, read back from
// the disk) and the stop flag, looked at between blocks of a long copy.
PlaceOptions PlacingFor(bool overwrite, Verification verification, const StopFlag* stop) {
  PlaceOptions options;
  options.how = overwrite ? Placing::Replace : Placing::NoReplace;
  options.check = verification == Verification::Quick  ? Check::Length
                  : verification == Verification::Full ? Check::Bytes
                                                       : Check::None;
  options.stop = stop;
  return options;
}

// The owner's write permission lent to a read-only file so that an overwrite may replace it, taken back when the
// loan ends: from the file the overwrite failed to replace, and from the old file the undo store keeps.
class OwnerWriteLoan {
 public:
  // Lends it on the regular file at `to` (reached from its folder's handle, never through a link). Not lent when it
  // is not such a file or already writable.
  OwnerWriteLoan(TargetFolders& targets, const std::string& to) {
    TargetFolders::Ref at = targets.Holder(to);
    file_ = UniqueFd(::openat(at.dir, at.name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (file_.Get() < 0 || ::fstat(file_.Get(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR)) return;
    mode_ = st.st_mode & 07777;
    lent_ = ::fchmodat(AT_FDCWD, Self().c_str(), mode_ | S_IWUSR, 0) == 0;
  }
  ~OwnerWriteLoan() {
    if (lent_) (void)::fchmodat(AT_FDCWD, Self().c_str(), mode_, 0);
  }
  OwnerWriteLoan(const OwnerWriteLoan&) = delete;
  OwnerWriteLoan& operator=(const OwnerWriteLoan&) = delete;
  bool Lent() const { return lent_; }

 private:
  // The descriptor's /proc entry names this very file: a link put at its name meanwhile changes nothing.
  std::string Self() const { return "/proc/self/fd/" + std::to_string(file_.Get()); }
  UniqueFd file_;
  mode_t mode_ = 0;
  bool lent_ = false;
};

}  // namespace

long clsFileOps::PlaceFile(const std::string& path, std::string& nameRequest, const Transfer& transfer,
                           const char* location, const std::string& itemText, std::string& target) {
  const std::string name = NameOfPath(path);
  // One try at `to`: false when something is already there (without overwrite). A read-only target that refuses
  // an overwrite is lent its owner's write permission for one more try (taken back after it). `agreed`: the placed copy passed its check.
  bool agreed = true;
  auto put = [&](const std::string& to, bool overwrite) {
    std::optional<Error> refused;
    try {
      agreed = transfer(to, overwrite);
      return true;
    } catch (const Error& e) {
      if (e.Number() == err::FileAlreadyExists && !overwrite) return false;
      if (e.Number() != err::PermissionDenied || !overwrite) throw;
      refused = e;
    }
    OwnerWriteLoan loan(targets_, to);
    if (!loan.Lent()) throw *refused;
    agreed = transfer(to, overwrite);
    return true;
  };
  long result = outcome::Failure;
  ResumeScope scope = ItemScope(location, itemText, result);
  scope.Step([&] {
    if (Structured()) {
      // Files of one folder come together: their target folder is opened (made when missing) once. A link or
      // file where it should be fails the item.
      if (currentTarget_ != madeTarget_) {
        targets_.Folder(currentTarget_, /*create=*/true);
        madeTarget_ = currentTarget_;
      }
      target = JoinPath(currentTarget_, name);
      // Without overwrite the write itself refuses an existing name, so a target that is there, or appears
      // before the copy lands, is left alone.
      if (Layout().overwrite) result = put(target, true) ? outcome::Success : outcome::Failure;
      else result = put(target, false) ? outcome::Success : outcome::NothingDone;
    } else if (Layout().duplicates == Duplicates::Numbered) {
      target = JoinPath(destPath_, name);
      if (put(target, false)) {
        result = outcome::Success;
        return;
      }
      // Every candidate is written without overwrite, so one that appears meanwhile is passed over, not replaced.
      result = outcome::Failure;
      for (int n = 1; n <= kMostDuplicates; ++n) {
        const std::string candidate = NumberedName(name, n);
        target = JoinPath(destPath_, candidate);
        if (targets_.Kind(target) != TargetKind::Missing || !put(target, false)) continue;
        if (nameRequest == "Get") nameRequest = candidate;
        newName_ = candidate;
        result = outcome::NumberedDuplicate;
        break;
      }
    } else {
      target = JoinPath(destPath_, name);
      if (put(target, false)) result = outcome::Success;
      else if (Layout().overwrite) result = put(target, true) ? outcome::OverwroteDuplicate : outcome::Failure;
      else result = outcome::NothingDone;
    }
  });
  const bool placed =
      result == outcome::Success || result == outcome::NumberedDuplicate || result == outcome::OverwroteDuplicate;
  return placed && !agreed ? outcome::FailedVerification : result;
}

long clsFileOps::CopyStep(const std::string& path) {
  std::string nameRequest;
  return CopyOneFile(path, nameRequest);
}

long clsFileOps::CopyOneFile(const std::string& path, std::string& nameRequest) {
  std::string target;
  auto copy = [&](const std::string& to, bool overwrite) {
    ItemsBeneath::Ref from = beneath_.Holder(path);
    TargetFolders::Ref at = targets_.Holder(to);
    PlaceOptions options = PlacingFor(overwrite, Layout().verification, &stop_);
    options.sourceSeenRegular = itemRegular_;
    if (overwrite) KeepBeforeReplacing(at.dir, at.name, to);
    const Placed placed = CopyItem({from.dir, from.name}, {at.dir, at.name}, options, path, to);
    // A file made in place is still open: the journal looks at it through its descriptor, not its name again.
    if (placed.file.Valid()) RecordPlaced(JournalItem::Do::Created, placed.file.Get(), "", to);
    else RecordPlaced(JournalItem::Do::Created, at.dir, at.name, to);
    return placed.same;
  };
  return PlaceFile(path, nameRequest, copy, cfoloc::CopyOneFile, "Copying at or near file " + NameOfPath(path),
                   target);
}

long clsFileOps::CopyFolderStep(const std::string& path) {
  return Structured() ? ShellsFolderStep(path) : outcome::NothingDone;
}

// ---- move ----

long clsFileOps::MoveOneFile(const std::string& path) {
  // A rename where it can; across file systems the source goes only once its copy is on the disk and checked.
  auto move = [&](const std::string& to, bool overwrite) {
    ItemsBeneath::Ref from = beneath_.Holder(path);
    TargetFolders::Ref at = targets_.Holder(to);
    PlaceOptions options = PlacingFor(overwrite, Layout().verification, &stop_);
    options.sourceSeenRegular = itemRegular_;
    options.syncAbove = [&] { targets_.SyncAbove(to); };
    if (overwrite) KeepBeforeReplacing(at.dir, at.name, to);
    const Placed placed = MoveItem({from.dir, from.name}, {at.dir, at.name}, options, path, to);
    if (kept_ && kept_->forPath == to) RecordPlaced(JournalItem::Do::Replaced, at.dir, at.name, to);
    RecordMoved(placed.renamed, path, at.dir, at.name, to);
    return placed.same;
  };
  std::string nameRequest = "Get", target;
  const long placed =
      PlaceFile(path, nameRequest, move, cfoloc::MoveOneFile, "Moving at or near file " + NameOfPath(path), target);
  if (placed == outcome::FailedVerification) return placed;
  if (placed != outcome::Success && placed != outcome::NumberedDuplicate && placed != outcome::OverwroteDuplicate)
    return outcome::Failure;
  // An overwrite is reported as a plain success.
  return placed == outcome::NumberedDuplicate ? outcome::NumberedDuplicate : outcome::Success;
}

long clsFileOps::MoveFolderStep(const std::string& path) {
  return Structured() ? MoveOneFolder(path) : outcome::NothingDone;
}

// Called after the folder's contents (move walks the list backwards): the mirrored folder is made when nothing
// filtered the files, and the source folder goes when it is empty. One that still holds files left out stays.
long clsFileOps::MoveOneFolder(const std::string& path) {
  long result = outcome::NothingDone;
  ResumeScope scope = ItemScope(cfoloc::MoveOneFolder, "Moving at or near folder " + NameOfPath(path), result);
  scope.Step([&] {
    if (!scan_.IsSizeRestrictionOn() && !scan_.IsDateRestrictionOn() && !scan_.IsExtensionRestrictionOn() &&
        targets_.Kind(currentTarget_) == TargetKind::Missing) {
      CreatePath(currentTarget_);
      result = targets_.Kind(currentTarget_) == TargetKind::Folder ? outcome::Success : outcome::Failure;
    }
    if (targets_.Kind(currentTarget_) == TargetKind::Folder && DeleteEmptyFolder(path) == outcome::Success)
      RecordRemoval(path, /*folder=*/true);
  });
  return result;
}

}  // namespace dv
