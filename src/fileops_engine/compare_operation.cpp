// Compare: each source file against the file at the same place under the destination. Files of different
// lengths differ without being read; otherwise the bytes decide, compared in blocks (memory stays bounded),
// either all of them or, when sampling, PartialBytesToCompare bytes from a random offset. Nothing on disk changes,
// access times included. The findings are results lines; the outcome is "nothing done", except for a file that
// could not be compared (unreadable, vanished): its error is reported and it is a failure, so the results show it.
#include <fcntl.h>

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "common/text_rules.h"
#include "fileops_engine/cls_file_ops.h"
#include "platform/byte_files.h"
#include "platform/content_check.h"
#include "platform/path.h"

namespace dv {

namespace {

constexpr uint64_t kSampleBlock = 100'000;
constexpr uint64_t kAnywhereAbove = 100'000'000;  // larger files take their sample anywhere in the file
constexpr size_t kWholeFileBlock = 256 * 1024;

uint64_t RandomUpTo(uint64_t limit) {
  static std::mt19937_64 generator{std::random_device{}()};
  return std::uniform_int_distribution<uint64_t>(0, limit)(generator);
}

// What stands at the target: a regular file, nothing usable (missing, or a folder), or an item compare never
// opens (a link, FIFO, socket or device).
enum class Target { File, Missing, Skipped };

// The target is reached from the destination's handle without following a link (a link planted where a folder
// should be fails the item), so a compare never reads anything outside the destination.
Target LookAtTarget(TargetFolders& targets, const std::string& target, ItemInfo& info, TargetFolders::Ref& ref) {
  try {
    ref = targets.Holder(target);
    if (!StatAt(ref.dir, ref.name, info)) {
      if (errno == ENOENT || errno == ENOTDIR) return Target::Missing;
      ThrowErrno(target);
    }
  } catch (const Error& e) {
    if (e.Number() == err::PathNotFound || e.Number() == err::FileNotFound) return Target::Missing;
    throw;
  }
  if (info.IsFolder()) return Target::Missing;
  return info.IsRegular() ? Target::File : Target::Skipped;
}

// A finding's line, made in one piece: a run makes one per pair.
std::string PairLine(std::string_view head, const std::string& target, std::string_view between,
                     const std::string& source) {
  std::string line;
  line.reserve(head.size() + target.size() + between.size() + source.size() + 2);
  line += head;
  line += HasControls(target) ? ControlsShown(target) : target;
  line += between;
  line += HasControls(source) ? ControlsShown(source) : source;
  line += "\r\n";
  return line;
}

}  // namespace

long clsFileOps::CompareOneFile(const std::string& path) {
  const CompareChoice& compare = DetailsOf<CompareChoice>();
  const std::string name = NameOfPath(path);
  // The error's text is made only when there is an error: most pairs have none.
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        PassError(e, l, cfoerr::Item,
                  name.empty() ? ">>Comparing files" : "Comparing files at or near file " + name);
      },
      cfoloc::CompareOneFile);
  const bool compared = scope.Step([&] {
    const std::string target = JoinPath(currentTarget_, name);
    // The source, as every per-item step reaches it: from the source folder, no link followed.
    const ItemsBeneath::Ref from = beneath_.Holder(path);
    ItemInfo source;
    if (!StatAt(from.dir, from.name, source)) ThrowErrno(path);
    if (!source.IsRegular()) return;
    ItemInfo there;
    TargetFolders::Ref to{};
    switch (LookAtTarget(targets_, target, there, to)) {
      case Target::Skipped: return;
      case Target::Missing:
        ++compareMissing_;
        if (compare.displayMissing)
          AddInfoLine("0  File does not exist in Target Directory:" + ControlsShown(target) + "\r\n");
        return;
      case Target::File: break;
    }
    bool match = false;
    if (source.size == there.size) {
      // The two looks just made answer what a look through the open files would: both are read to their ends
      // whatever their lengths, so no second look is needed.
      UniqueFd a = OpenLookedAtBytes(from.dir, from.name, path, source),
               b = OpenLookedAtBytes(to.dir, to.name, target, there);
      const uint64_t sample = compare.partialBytes > 0 ? static_cast<uint64_t>(compare.partialBytes) : 0;
      // A sample of no bytes would call any two files of one length equal: without one, the whole file counts.
      if (!compare.compareFull && sample > 0 && source.size > sample) {
        const uint64_t offset = RandomUpTo(source.size > kAnywhereAbove ? source.size - sample - 1 : sample / 2);
        match = RangesEqual(a.Get(), b.Get(), offset, sample, kSampleBlock, compareBufferA_, compareBufferB_, path,
                            target);
      } else {
        // Read-ahead pays only for files of more than one block; a small file is read by one call anyway.
        if (source.size > kWholeFileBlock) {
          ::posix_fadvise(a.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
          ::posix_fadvise(b.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        }
        // A stop asked for meanwhile ends the comparison of a big file between two blocks.
        match = WholeFilesEqual(a.Get(), b.Get(), source.size, kWholeFileBlock, compareBufferA_, compareBufferB_, path,
                                target, &stop_);
      }
    }
    ++(match ? compareMatching_ : compareDiffering_);
    if (match ? compare.displayMatching : compare.displayNonMatching)
      AddInfoLine(match ? PairLine("+  Files Match:", target, " <-+-> ", path)
                        : PairLine("X  Files do not Match:", target, " <-X-> ", path));
  });
  return compared ? outcome::NothingDone : outcome::Failure;
}

}  // namespace dv
