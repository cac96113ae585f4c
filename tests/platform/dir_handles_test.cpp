// Folder handle stacks on deep trees: the handle budget follows the process's limit, and the way back up finds
// every folder again when folders were moved during the walk.
#include "platform/dir_handles.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/fs_records.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::InChild;
using test::TempTree;

// "top/1/2/.../levels" below the tree, with a one-byte file in every folder; returns the relative path of each
// level, index 0 being "top".
std::vector<std::string> MakeChain(TempTree& tree, int levels) {
  std::vector<std::string> rel{"top"};
  for (int i = 1; i <= levels; ++i) rel.push_back(rel.back() + "/" + std::to_string(i));
  tree.Dir(rel.back());
  for (const std::string& r : rel) {
    int fd = ::open((tree / (r + "/f")).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    EXPECT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
  }
  return rel;
}

void LimitHandles(rlim_t soft) {
  struct rlimit lim {};
  ::getrlimit(RLIMIT_NOFILE, &lim);
  lim.rlim_cur = soft;
  ::setrlimit(RLIMIT_NOFILE, &lim);
}

struct Identity {
  dev_t dev;
  ino_t ino;
};

Identity IdentityOf(int fd) {
  struct stat st {};
  ::fstat(fd, &st);
  return {st.st_dev, st.st_ino};
}

// Pushes down the chain from its top; returns each level's folder identity, or empty when a Push failed.
std::vector<Identity> PushAll(FolderHandleStack& stack, const std::vector<std::string>& rel) {
  std::vector<Identity> ids{IdentityOf(stack.Top())};
  for (size_t i = 1; i < rel.size(); ++i) {
    if (stack.Push(std::to_string(i)) != 0) return {};
    ids.push_back(IdentityOf(stack.Top()));
  }
  return ids;
}

// Pops back to the top, checking the path and the folder at every level; a Pop that throws is noted, and the
// walk goes on upward. Returns the notes and any mismatch, empty when everything was right.
std::string PopAll(FolderHandleStack& stack, const TempTree& tree, const std::vector<std::string>& rel,
                   const std::vector<Identity>& ids) {
  std::string out;
  while (stack.Depth() > 0) {
    bool threw = false;
    try {
      stack.Pop();
    } catch (const Error& e) {
      threw = true;
      out += "threw at " + std::to_string(stack.Depth()) + ": " + e.Description() + "; ";
    }
    const size_t d = stack.Depth();
    if (stack.TopPath() != tree / rel[d]) out += "path at " + std::to_string(d) + ": " + stack.TopPath() + "; ";
    if (threw) {
      if (stack.Top() != -1) out += "a handle after the throw at " + std::to_string(d) + "; ";
      continue;
    }
    Identity id = IdentityOf(stack.Top());
    if (id.dev != ids[d].dev || id.ino != ids[d].ino) out += "another folder at " + std::to_string(d) + "; ";
  }
  return out;
}

// ---------------------------------------------------------------------------------------------------------------

TEST(FolderHandleStackTest, ADeepWalkNeedsOnlyAFewHandlesWhenTheLimitIsLow) {
  TempTree tree;
  const std::vector<std::string> rel = MakeChain(tree, 200);
  std::string result = InChild(tree.Root(), [&] {
    LimitHandles(20);
    std::string out;
    {
      FolderHandleStack stack(UniqueFd(::open((tree / "top").c_str(), O_RDONLY | O_DIRECTORY)), tree / "top");
      std::vector<Identity> ids = PushAll(stack, rel);
      if (ids.empty()) return "push failed at " + std::to_string(stack.Depth() + 1);
      if (stack.TopPath() != tree / rel.back()) return "bottom path " + stack.TopPath();
      out += PopAll(stack, tree, rel, ids);
    }
    out += "size " + std::to_string(TreeSize(tree / "top"));
    return out;
  });
  EXPECT_EQ(result, "size 201");
}

TEST(FolderHandleStackTest, ThePopsFindEveryFolderAgainWhenFoldersAreMovedDuringTheWalk) {
  using Levels = std::function<std::string(int)>;  // the full path of a level as it was pushed
  const auto moveAway = [](TempTree& t, const Levels& p) { ::rename(p(140).c_str(), (t / "top/away").c_str()); };
  const auto parentAway = [moveAway](TempTree& t, const Levels& p) {
    moveAway(t, p);
    ::rename(p(139).c_str(), (t / "top/away2").c_str());
  };
  struct Case {
    const char* what;
    std::function<void(TempTree&, const Levels&)> change;  // made while the stack is at the bottom
    bool parentLost;  // level 139 can no longer be reached as the folder that was pushed
    bool inWideWindow;
  };
  const Case cases[] = {
      {"a folder moved elsewhere in the tree", moveAway, false, true},
      {"a folder near the top renamed", [](TempTree& t, const Levels& p) { ::rename(p(1).c_str(), (t / "top/one").c_str()); },
       false, false},
      {"the parent moved away too", parentAway, true, false},
      {"the parent replaced by a new folder of the same name",
       [parentAway](TempTree& t, const Levels& p) {
         parentAway(t, p);
         ::mkdir(p(139).c_str(), 0700);
       },
       true, true},
      {"the parent replaced by a link to itself",
       [parentAway](TempTree& t, const Levels& p) {
         parentAway(t, p);
         ::symlink((t / "top/away2").c_str(), p(139).c_str());
       },
       true, false},
  };
  // Two handle windows: two handles (every level above the bottom reopened), and the largest window with the
  // moved folders well above it in a deeper tree.
  struct Window {
    int levels;
    rlim_t softLimit;
  };
  for (Window w : {Window{150, 20}, Window{250, 1024}}) {
    for (const Case& c : cases) {
      if (w.softLimit > 20 && !c.inWideWindow) continue;
      SCOPED_TRACE(std::string(c.what) + ", limit " + std::to_string(w.softLimit));
      TempTree tree;
      const std::vector<std::string> rel = MakeChain(tree, w.levels);
      const Levels path = [&](int level) { return tree / rel[static_cast<size_t>(level)]; };
      std::string result = InChild(tree.Root(), [&] {
        LimitHandles(w.softLimit);
        FolderHandleStack stack(UniqueFd(::open(path(0).c_str(), O_RDONLY | O_DIRECTORY)), path(0));
        std::vector<Identity> ids = PushAll(stack, rel);
        if (ids.empty()) return std::string("push failed");
        c.change(tree, path);
        return PopAll(stack, tree, rel, ids);
      });
      EXPECT_EQ(result, c.parentLost ? "threw at 139: Folder moved during the operation: " + path(139) + "; " : "");
    }
  }
}

}  // namespace
}  // namespace dv
