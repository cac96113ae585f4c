#pragma once
// Delete to the trash, laid out as every Linux desktop expects it, so that any desktop's trash can restore what
// Dorvane put there: the home trash ($XDG_DATA_HOME/Trash) for items on its file system, else a trash at the top
// of the item's mount ($topdir/.Trash/$uid when the shared folder is fit for it, else $topdir/.Trash-$uid). Per
// item, info/NAME.trashinfo is made first under a free name, then the item is renamed to files/NAME. An item is
// never copied to another file system: a device without a usable trash fails the item, which stays.
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dv {

struct TrashedItem {
  std::string trash;  // the item's path in the trash's files/
  std::string info;   // its .trashinfo
};

// Moves the item `name` of the open folder `dir` (links not followed: a link goes, its target stays) into its
// trash. `path` is the item's absolute path, written into the .trashinfo. Throws dv::Error (err::NoTrash when no
// trash can be used on the item's device).
TrashedItem MoveToTrash(int dir, const char* name, const std::string& path);

// The trashes of one run: each is looked up and opened at the first item of its mount and kept open for the
// items after it, so a run over many items looks each trash up once, not once per item. A trash folder removed
// meanwhile is looked up again. Per item the rule stays: the info file is on the disk before the item moves.
class TrashCans {
 public:
  TrashCans();
  ~TrashCans();
  TrashCans(const TrashCans&) = delete;
  TrashCans& operator=(const TrashCans&) = delete;

  // As MoveToTrash below.
  TrashedItem Move(int dir, const char* name, const std::string& path);

 private:
  struct Can;
  Can* Find(dev_t dev, uint64_t mount);
  std::vector<std::unique_ptr<Can>> cans_;
  bool homeLooked_ = false;
  std::string home_;
  bool homeKnown_ = false;  // the home trash's device was found
  dev_t homeDev_ = 0;
};

// The home trash's path: $XDG_DATA_HOME/Trash, XDG_DATA_HOME defaulting to ~/.local/share.
std::string HomeTrashPath();

// A path as a .trashinfo's Path= holds it: bytes other than letters, digits, "-._~" and "/" as %XX.
std::string PercentEncodePath(const std::string& path);

}  // namespace dv
