#pragma once
// clsReg: the registry operations the program relies on, kept over the machine-wide INI file (see
// docs/settings-store.md). Failures are reported through the injected reporter with location codes "CR:1" to
// "CR:7" (the shell passes them to the error handler with mode 0) and the operation goes on.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "platform/error.h"

namespace dv {

using RegKey = std::uint32_t;
inline constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002u;

namespace reg {
// Result codes.
inline constexpr std::int32_t Success = 0;
inline constexpr std::int32_t NotFound = 2;
inline constexpr std::int32_t AccessDenied = 5;
inline constexpr std::int32_t InvalidHandle = 6;
inline constexpr std::int32_t InvalidParameter = 87;
inline constexpr std::int32_t NoMoreItems = 259;
// Value types.
inline constexpr std::int32_t REG_SZ = 1;
inline constexpr std::int32_t REG_DWORD = 4;
// The buffer QueryRegStringValue reads into: a value and its terminating zero must fit with a byte to spare.
inline constexpr std::size_t StringBufferSize = 2048;
}  // namespace reg

// Empty, a string value or a 32-bit number value.
using RegValue = std::variant<std::monostate, std::string, std::int32_t>;
using RegErrorReporter = std::function<void(const Error&, const std::string& location)>;

class clsReg {
 public:
  explicit clsReg(RegErrorReporter reporter = {});

  // CR:1. Writes a string value.
  void UpdateRegStringValue(RegKey RegKeyHandle, const std::string& RegValueName, const std::string& NewRegValue);
  // CR:2. The string value; empty when it is missing, not a string, or 2047 bytes or longer. Cut at the first
  // zero character.
  std::string QueryRegStringValue(RegKey KeytoQuery, const std::string& ValuetoQuery);
  // CR:3. Deletes the subkey with everything below it, then closes HStartKey. The hive root is never deleted.
  void DelRegEntries(RegKey HStartKey, const std::string& HSubKey);
  // CR:4. Success when the subkey exists, NotFound when not, InvalidHandle for a bad start key.
  std::int32_t CheckForRegKey(RegKey HStartKey, const std::string& HSubKey);
  // CR:5. Opens the subkey, creating it when missing. When it can be neither written nor created the handle is
  // read-only (a missing key then reads empty); that is no failure. RegHandle is 0 only for a bad hive handle.
  void OpenCreateRegistryKey(RegKey MainRegHive, const std::string& hivesubkey, RegKey& RegHandle);
  // CR:6.
  void CloseRegKey(RegKey RegHandtoClose);
  // Never reports: Success (vValue set), NotFound, AccessDenied (unreadable file), InvalidHandle, or -1 for a
  // value of another type. vValue is left alone on failure.
  std::int32_t QueryValueEx(RegKey lhKey, const std::string& szValueName, RegValue& vValue);
  // CR:7. REG_SZ or REG_DWORD; any other type writes nothing and returns Success. A text that is not a 32-bit
  // number given for REG_DWORD reports error 13 and returns InvalidParameter.
  std::int32_t SetValueEx(RegKey hKey, const std::string& sValueName, std::int32_t lType, const RegValue& vValue);

  // The program's one use: open HKEY_LOCAL_MACHINE\Software\Brantwick\Dorvane, read a string value, close.
  std::string ReadMachineValue(const std::string& name);

  bool IsReadOnly(RegKey key) const;
  std::size_t OpenHandleCount() const { return handles_.size(); }

 private:
  struct Key {
    std::string file;  // the INI file of the hive the key belongs to
    QString group;     // the key's QSettings group, "" for the hive root
    bool readOnly;
  };

  void Report(const Error& error, const char* location);
  std::optional<Key> Peek(RegKey handle) const;
  // Peek, reporting a bad handle at `location`.
  std::optional<Key> Lookup(RegKey handle, const char* location);
  // Writes one value; reports a failure at `location`. Returns a result code.
  std::int32_t Write(const Key& key, const std::string& name, const RegValue& value, const char* location);

  RegErrorReporter reporter_;
  std::map<RegKey, Key> handles_;
};

}  // namespace dv
