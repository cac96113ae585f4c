// A date the file system cannot store (ext4 keeps nothing after 2446) fails the item instead of being reported
// as set; where the file system stores it, it is set.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileops_fixture.h"

namespace dv::test {
namespace {

TEST_F(FileOpsTest, ADateTheFileSystemCannotStoreFails) {
  // The test's own folder on disk and one on tmpfs (removed at the end).
  std::string shm = "/dev/shm/dvtest-dates-XXXXXX";
  ASSERT_NE(::mkdtemp(shm.data()), nullptr);
  struct Gone {
    std::string path;
    ~Gone() { RemoveTree(path); }
  } gone{shm};
  const LocalTime when{9999, 12, 31, 0, 0, 0};
  const DateTime wanted = DateTime::FromLocal(when);
  struct Case {
    FileOp operation;
  };
  const std::vector<Case> cases = {{FileOp::ModifiedDate}, {FileOp::AccessedDate}};
  for (const std::string& dir : {tree.Dir("disk"), shm}) {
    // Whether this file system keeps the date, asked of a file of its own.
    const std::string probe = dir + "/probe";
    ::close(::open(probe.c_str(), O_WRONLY | O_CREAT, 0644));
    const struct timespec times[2] = {wanted.ToTimespec(), wanted.ToTimespec()};
    ASSERT_EQ(::utimensat(AT_FDCWD, probe.c_str(), times, 0), 0);
    const bool keeps = LStat(probe).st_mtim.tv_sec == times[1].tv_sec;
    ::unlink(probe.c_str());
    for (const Case& c : cases) {
      SCOPED_TRACE(dir + " " + std::to_string(static_cast<long>(c.operation)));
      events.errors.clear();
      const std::string file = dir + "/a.txt";
      ::close(::open(file.c_str(), O_WRONLY | O_CREAT, 0644));
      Paths(dir);
      ops.FileOperation(c.operation);
      ops.FileDateChangeSettings(when);
      ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
      Run();
      EXPECT_EQ(test::Lines(ops, dir), Strings{(keeps ? "Success: T/a.txt" : "Failure: T/a.txt")});
      EXPECT_EQ(events.errors, keeps ? Strings{} : Strings{"cfo:8K 3 Changing file date at or near file a.txt [75]"});
      const struct stat st = LStat(file);
      if (keeps) {
        EXPECT_EQ((c.operation == FileOp::ModifiedDate ? st.st_mtim : st.st_atim).tv_sec, times[1].tv_sec);
      }
    }
  }
}

}  // namespace
}  // namespace dv::test
