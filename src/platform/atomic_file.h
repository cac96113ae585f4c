#pragma once
// Writing a file the user named without ever losing what it held: the new contents go to a temporary file beside
// it (same folder, so the rename stays on one file system) and replace it by one rename only when they are
// complete and on disk. Until then, and whenever anything fails, the old file is as it was and the temporary is
// removed (a process killed outright can leave a hidden ".dv-save-*.tmp" beside the target; nothing else).
#include <optional>
#include <string>

#include "platform/text_stream.h"
#include "platform/unique_fd.h"

namespace dv {

class AtomicFile {
 public:
  // What a symbolic link at the target gets: refused (a name the user chose), or replaced as a name (a file of
  // the program's own folder, where nothing is anyone else's to keep). It is never written through.
  enum class LinkAtTarget { Refuse, Replace };

  // Creates the temporary beside `target` (mode 0666 less the umask, close-on-exec). Refuses, with dv::Error 75
  // naming the target, a target that is a symbolic link (unless `links` says Replace), a folder or anything else
  // that is not a regular file. Other failures are the system's (76 for a missing folder).
  explicit AtomicFile(const std::string& target, LinkAtTarget links = LinkAtTarget::Refuse);
  ~AtomicFile();  // removes the temporary unless committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // The stream over the temporary; errors in it name the target.
  TextStream& Out() { return *out_; }
  // Flushes Out() and returns a handle that reads the temporary from its start: for a second export made from
  // what was written. Nothing more may be written to Out() afterwards.
  UniqueFd ReadBack();
  // Flushes, syncs and closes the temporary: every failure to write shows here, so a caller putting several
  // files in place finishes them all before committing any. Throws dv::Error; the temporary is then gone.
  void Finish();
  // Finishes the temporary when not done yet and puts it in the target's place (platform/placement.h). An
  // existing target's permission bits (set-id bits aside) and, where allowed, its owner and group pass to the new
  // file. Throws dv::Error; the target is then as it was and the temporary gone.
  void Commit();

  const std::string& Target() const { return target_; }
  const std::string& TemporaryName() const { return tmpName_; }

 private:
  void Discard() noexcept;

  std::string target_;   // absolute
  std::string name_;     // the target's last name
  LinkAtTarget links_;
  UniqueFd dir_;         // the folder holding both
  std::string tmpName_;  // the temporary's name in that folder
  UniqueFd fd_;
  std::optional<TextStream> out_;
  bool finished_ = false;
  bool done_ = false;
};

}  // namespace dv
