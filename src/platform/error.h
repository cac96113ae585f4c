#pragma once
// The one error type of Dorvane: a number and a description. Every layer throws it; errno is mapped onto the
// numbers in one place (ErrorFromErrno), so callers can test 53, 58, 70 and 76 whatever the system call was.
#include <stdexcept>
#include <string>

namespace dv {

namespace err {
inline constexpr long OutOfMemory = 7;
inline constexpr long UserInterrupt = 18;  // a stop asked for while an item was in progress
inline constexpr long BadFileName = 52;
inline constexpr long FileNotFound = 53;
inline constexpr long BadFileMode = 54;
inline constexpr long DeviceIO = 57;
inline constexpr long FileAlreadyExists = 58;
inline constexpr long DiskFull = 61;
inline constexpr long InputPastEnd = 62;
inline constexpr long TooManyFiles = 67;
inline constexpr long PermissionDenied = 70;
inline constexpr long DifferentDevice = 74;
inline constexpr long PathFileAccess = 75;
inline constexpr long PathNotFound = 76;
inline constexpr long InvalidPattern = 5017;
inline constexpr long ComponentMissing = 429;
inline constexpr long DialogCancelled = 32755;
inline constexpr long Application = 50000;
inline constexpr long NoTrash = 50001;  // delete to the trash on a device that has no usable trash
}  // namespace err

class Error : public std::runtime_error {
 public:
  Error(long number, const std::string& description);
  long Number() const { return number_; }
  const std::string& Description() const { return description_; }

 private:
  long number_;
  std::string description_;
};

// The standard text for an error number ("File not found", "Permission denied", ...).
std::string ErrorText(long number);

// Maps a system error on `path` onto Dorvane's numbers. ENOENT becomes 76 "Path not found" when the folder
// that should hold `path` is itself missing, else 53 "File not found". The description names the path.
Error ErrorFromErrno(int errnum, const std::string& path);

// Throws ErrorFromErrno(errno, path).
[[noreturn]] void ThrowErrno(const std::string& path);

}  // namespace dv
