#include "platform/error.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "platform/path.h"

namespace dv {

Error::Error(long number, const std::string& description)
    : std::runtime_error(description), number_(number), description_(description) {}

std::string ErrorText(long number) {
  switch (number) {
    case err::OutOfMemory: return "Out of memory";
    case err::UserInterrupt: return "Stopped by the user before this item was done";
    case err::BadFileName: return "Bad file name or number";
    case err::FileNotFound: return "File not found";
    case err::BadFileMode: return "Bad file mode";
    case err::InputPastEnd: return "Input past end of file";
    case err::DeviceIO: return "Device I/O error";
    case err::FileAlreadyExists: return "File already exists";
    case err::DiskFull: return "Disk full";
    case err::TooManyFiles: return "Too many files";
    case err::PermissionDenied: return "Permission denied";
    case err::DifferentDevice: return "Can't rename with different drive";
    case err::PathFileAccess: return "Path/File access error";
    case err::PathNotFound: return "Path not found";
    case err::InvalidPattern: return "Syntax error in regular expression";
    case err::ComponentMissing: return "Can't create object";
    case err::DialogCancelled: return "Cancel was selected.";
    case err::NoTrash: return "No trash can be used on this device: the item stays where it is";
    default: return "Application-defined or object-defined error";
  }
}

namespace {

bool ParentFolderMissing(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return false;
  try {
    PathRef parent(path.substr(0, slash));
    struct stat st;
    if (::fstatat(parent.Dir(), parent.Name(), &st, 0) != 0) return errno == ENOENT || errno == ENOTDIR;
    return !S_ISDIR(st.st_mode);
  } catch (const Error& e) {
    return e.Number() == err::PathNotFound;
  }
}

long NumberForErrno(int errnum, const std::string& path) {
  switch (errnum) {
    case ENOENT: return ParentFolderMissing(path) ? err::PathNotFound : err::FileNotFound;
    case ENOTDIR: return err::PathNotFound;
    case EEXIST:
    case ENOTEMPTY: return err::FileAlreadyExists;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return err::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return err::DiskFull;
    case EXDEV: return err::DifferentDevice;
    case EMFILE:
    case ENFILE: return err::TooManyFiles;
    case EIO: return err::DeviceIO;
    case ENOMEM: return err::OutOfMemory;
    case ENAMETOOLONG:
    case EILSEQ: return err::BadFileName;
    default: return err::PathFileAccess;
  }
}

}  // namespace

Error ErrorFromErrno(int errnum, const std::string& path) {
  long number = NumberForErrno(errnum, path);
  std::string text = ErrorText(number);
  if (!path.empty()) text += ": " + path;
  // The system's own words add what the number cannot say (e.g. "Is a directory").
  if (number == err::PathFileAccess || number == err::BadFileName || number == err::FileAlreadyExists)
    text += std::string(" (") + std::strerror(errnum) + ")";
  return Error(number, text);
}

void ThrowErrno(const std::string& path) { throw ErrorFromErrno(errno, path); }

}  // namespace dv
