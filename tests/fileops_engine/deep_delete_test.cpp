// Delete reaches every item of a tree far deeper than PATH_MAX: files first, then the emptied folders deepest
// first, the source folder last.
#include <fcntl.h>
#include <unistd.h>

#include "fileops_fixture.h"

namespace dv::test {
namespace {

TEST_F(FileOpsTest, DeleteWorksAtAnyDepth) {
  constexpr int kLevels = 5000;
  const std::string top = tree.Dir("deep");
  DeepCleanup cleanup{top};
  // Built with relative calls only: the whole path is about 10,000 bytes. A file at every 500th level.
  int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  for (int i = 1; i <= kLevels; ++i) {
    ASSERT_EQ(::mkdirat(fd, "d", 0755), 0) << i;
    int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    ASSERT_GE(fd = next, 0) << i;
    if (i % 500 == 0) {
      int f = ::openat(fd, "f.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      ASSERT_GE(f, 0);
      ::close(f);
    }
  }
  ::close(fd);

  Paths(top);
  ops.FileOperation(FileOp::Delete);
  ops.DeleteSettings(1);
  ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
  Run();
  EXPECT_EQ(events.errors, Strings{});
  const Strings lines = ops.RecordedLines();
  const auto successes = std::count_if(lines.begin(), lines.end(),
                                       [](const std::string& line) { return line.rfind("Success: ", 0) == 0; });
  EXPECT_EQ(successes, kLevels / 500 + kLevels + 1);
  EXPECT_EQ(lines.size(), static_cast<size_t>(successes));
  EXPECT_FALSE(TempTree::Exists(top));
}

}  // namespace
}  // namespace dv::test
