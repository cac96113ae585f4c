#pragma once
// Items below a top folder the user chose, reached without following any link on the way: a folder swapped for a
// link while a long operation runs cannot lead it out of the tree (a delete never removes what lies elsewhere).
#include <optional>
#include <string>

#include "platform/path.h"
#include "platform/unique_fd.h"

namespace dv {

class ItemsBeneath {
 public:
  // Items below `top` are reached from it. The top itself is opened as named (a link there is followed: the user
  // named it). An empty top, or one that cannot be opened (false), resolves every path as written.
  bool Top(const std::string& top);

  // The folder holding `path`, open, and the path's last name. A path below the top is reached from the top with
  // no link followed (a link on the way fails with 75); any other path is resolved as written. The folder stays
  // open until the next call: items of one folder come one after another, so that folder is opened once.
  // Throws dv::Error.
  struct Ref {
    int dir;
    const char* name;
  };
  Ref Holder(const std::string& path);

 private:
  std::string top_;
  UniqueFd topFd_;
  std::string heldPath_;  // the folder held open in held_
  UniqueFd held_;
  std::string name_;
  std::optional<PathRef> plain_;
};

}  // namespace dv
