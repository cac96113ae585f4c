#pragma once
// The file-system object: every file and folder operation of the engines and windows goes through it. Failures
// are dv::Error with the numbers callers test: 53 file not found, 58 already exists, 70 permission denied,
// 76 path not found. An empty path is refused (52) by every operation.
//
// Links: the existence tests follow a link (a link to a folder counts as a folder, as the user sees the path);
// every operation on an item acts on the link itself, never on its target.
#include <functional>
#include <string>

#include "platform/error.h"
#include "platform/fs_records.h"
#include "platform/stop_flag.h"
#include "platform/text_stream.h"

namespace dv {

enum class SpecialFolder { Windows = 0, System = 1, Temporary = 2 };

class FileSystemObject {
 public:
  bool FileExists(const std::string& path) const;
  bool FolderExists(const std::string& path) const;
  // Linux has no drives: a "drive" is any existing folder, "/" included.
  bool DriveExists(const std::string& path) const;

  Folder GetFolder(const std::string& path) const;
  File GetFile(const std::string& path) const;
  // Temporary: the private per-user temporary folder. The others have no meaning on Linux and give it too.
  Folder GetSpecialFolder(SpecialFolder which) const;
  std::string GetAbsolutePathName(const std::string& path) const;

  // Fails with 58 when anything exists at `path`, 76 when its parent folder is missing.
  Folder CreateFolder(const std::string& path) const;
  // Copies a file (a link is copied as a link). Without `overwrite` an existing destination fails with 58 and
  // is left untouched; with it, a read-only destination fails with 70. A file replaced is written under a
  // temporary name beside it and renamed into place; a new file is made exclusively at its name and removed again
  // when its copy fails. The permissions, times and stored attribute bits go with it. Devices, FIFOs and sockets
  // are refused.
  void CopyFile(const std::string& source, const std::string& destination, bool overwrite) const;
  // CopyFile between open folders: `fromName` in `fromDir` to `toName` (one name) in the folder `toDir`, neither
  // reached through a link (a link there is copied as a link, a link at the target replaced as a name). `source`
  // and `destination` only name the items in errors. A sparse file keeps its holes. `stop` is looked at between
  // blocks (at most 8 MB apart): when set, the copy ends with error 18, nothing of it left.
  void CopyFileAt(int fromDir, const char* fromName, int toDir, const char* toName, bool overwrite,
                  const std::string& source, const std::string& destination, const StopFlag* stop = nullptr) const;
  // Renames a file or folder; fails with 58 when the destination exists (never replaces it). A file moved to
  // another file system is copied, flushed to the disk and then deleted; a folder cannot be (74).
  void MoveFile(const std::string& source, const std::string& destination) const;
  // Removes a file, link, device or FIFO (read-only ones too). A folder fails with 53.
  void DeleteFile(const std::string& path, bool force = true) const;
  // Removes a folder with everything in it, never following a link: a link inside is removed, not its target; a
  // link given as `path` is removed itself. With `force`, read-only and unreadable folders inside are opened up
  // to be emptied. Goes on past failures and throws the first one at the end. "/" is never removed.
  void DeleteFolder(const std::string& path, bool force = true) const;

  TextStream CreateTextFile(const std::string& path, bool overwrite = true, bool unicode = false) const;
  TextStream OpenTextFile(const std::string& path, IOMode mode = IOMode::ForReading, bool create = false,
                          int format = 0) const;
};

// Makes `folder` and whichever of its parents are missing, from the top down, each level relative to the one
// above it, with `mode` less the umask (by default private to the user: the user's own data). A level that cannot
// be made goes to `failed` (when given) and the next one is tried. True when the folder is there afterwards.
bool MakeFolderPath(const std::string& folder, unsigned mode = 0700,
                    const std::function<void(const Error& error, const std::string& level)>& failed = {});

}  // namespace dv
