// Items below a top folder: which paths are reached, and how each refusal reads. Nothing is ever resolved by its
// path behind the caller's back: a top that could not be opened and a path outside the top fail.
#include "platform/beneath.h"

#include <sys/stat.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::Outcome;
using test::TempTree;

TEST(ItemsBeneath, ReachesOnlyWhatLiesBelowItsTop) {
  TempTree tree;
  tree.File("top/sub/deeper/a.txt", "a");
  tree.File("elsewhere/a.txt", "e");
  tree.Link("top/link", "../elsewhere");
  tree.Link("entry-link", "elsewhere");
  struct Case {
    std::string top, path;
    std::string outcome;  // "ok" when the item's folder holds the name
  };
  const std::string r = tree.Root();
  const std::vector<Case> cases = {
      {r + "/top", r + "/top/sub/deeper/a.txt", "ok"},
      {r + "/top", r + "/top/sub", "ok"},
      {r + "/top", r + "/top", "ok"},
      {r + "/top", r + "/top/./sub//deeper/../deeper/a.txt/", "ok"},
      {r + "/top", r + "/top/sub/../../elsewhere/a.txt", "75 Path/File access error: not inside the source folder: " +
                                                          r + "/elsewhere/a.txt"},
      {r + "/top", r + "/top/link/a.txt",
       "75 Path/File access error: a folder on the way is not a folder any more (links are not followed): " + r +
           "/top/link/a.txt"},
      {r + "/top", r + "/elsewhere/a.txt", "75 Path/File access error: not inside the source folder: " + r +
                                               "/elsewhere/a.txt"},
      {r + "/missing", r + "/missing/a.txt",
       "75 Path/File access error: the source folder could not be opened (" +
           ErrorFromErrno(ENOENT, r + "/missing").Description() + "): " + r + "/missing/a.txt"},
      // Without a top each entry is reached from its own folder, as the user named it.
      {"", r + "/elsewhere/a.txt", "ok"},
      {"", r + "/entry-link/a.txt", "ok"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.top + " " + c.path);
    ItemsBeneath beneath;
    EXPECT_EQ(beneath.Top(c.top), c.top.find("missing") == std::string::npos);
    EXPECT_EQ(Outcome([&] {
                ItemsBeneath::Ref ref = beneath.Holder(c.path);
                struct stat st;
                if (::fstatat(ref.dir, ref.name, &st, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(c.path);
              }),
              c.outcome);
  }
}

}  // namespace
}  // namespace dv
