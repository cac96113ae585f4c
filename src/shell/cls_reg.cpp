#include "shell/cls_reg.h"

#include <QSettings>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "settings/settings_store.h"

namespace dv {

namespace {

// A key created without values holds this entry, because an INI file keeps no empty groups.
const QString kKeyMarker = QStringLiteral(".key");
// Stored forms that tell a value's type: "dword:" and eight hex digits is a 32-bit number; "sz:" in front
// keeps a string that itself starts with one of the two prefixes a string.
constexpr std::string_view kDwordPrefix = "dword:";
constexpr std::string_view kStringPrefix = "sz:";
constexpr std::int32_t kOtherType = 0;

const char* const kMachineKey = "Software\\Brantwick\\Dorvane";

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Handles are unique in the process, so a handle of one clsReg never works by accident in another.
RegKey NextHandle() {
  static std::atomic<RegKey> next{0x2000};
  RegKey h = next.fetch_add(4);
  if (h >= 0x7FFFF000u) {
    next = 0x2000;
    h = next.fetch_add(4);
  }
  return h;
}

std::string HandleText(RegKey h) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", h);
  return buf;
}

Error InvalidHandle(RegKey h) { return Error(err::Application, "Invalid registry key handle " + HandleText(h)); }

bool StartsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

bool IsDword(const std::string& s) {
  if (s.size() != kDwordPrefix.size() + 8 || !StartsWith(s, kDwordPrefix)) return false;
  for (size_t i = kDwordPrefix.size(); i < s.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

struct Stored {
  std::int32_t type = kOtherType;
  std::string text;
  std::int32_t number = 0;
};

Stored Decode(const QVariant& v) {
  Stored out;
  switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::QStringList:
    case QMetaType::QByteArray: break;
    default: return out;  // @Variant(...), @Rect(...) and the like
  }
  std::string text = ini::FromStored(v);
  if (StartsWith(text, kStringPrefix)) {
    out.type = reg::REG_SZ;
    out.text = text.substr(kStringPrefix.size());
  } else if (IsDword(text)) {
    out.type = reg::REG_DWORD;
    std::uint32_t bits = 0;
    std::from_chars(text.data() + kDwordPrefix.size(), text.data() + text.size(), bits, 16);
    out.number = static_cast<std::int32_t>(bits);
  } else {
    out.type = reg::REG_SZ;
    out.text = std::move(text);
  }
  return out;
}

QVariant Encode(const RegValue& value) {
  if (const auto* n = std::get_if<std::int32_t>(&value)) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<std::uint32_t>(*n));
    return QString::fromLatin1(buf);
  }
  std::string text;
  if (const auto* s = std::get_if<std::string>(&value)) text = *s;
  if (StartsWith(text, kStringPrefix) || StartsWith(text, kDwordPrefix)) text.insert(0, kStringPrefix);
  return ini::ToStored(text);
}

// The stored value `name` of the key; nullopt when it is missing. A file that cannot be read is an error.
std::optional<Stored> ReadValue(const std::string& file, const QString& group, const std::string& name,
                                std::optional<Error>& failure) {
  if (name.empty()) return std::nullopt;
  QSettings s(Q(file), QSettings::IniFormat);
  if (s.status() == QSettings::AccessError) {
    failure = Error(err::PermissionDenied, "Cannot read " + file);
    return std::nullopt;
  }
  auto found = ini::FindKey(s, group, Q(name));
  if (!found) return std::nullopt;
  return Decode(s.value(*found));
}

// A number given as text: decimal, blanks around it allowed, within 32 bits.
std::optional<std::int32_t> ParseNumber(const std::string& text) {
  size_t b = text.find_first_not_of(" \t"), e = text.find_last_not_of(" \t");
  if (b == std::string::npos) return std::nullopt;
  const char* first = text.data() + b;
  const char* last = text.data() + e + 1;
  if (*first == '+') ++first;
  std::int32_t n = 0;
  auto [ptr, ec] = std::from_chars(first, last, n);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return n;
}

}  // namespace

clsReg::clsReg(RegErrorReporter reporter) : reporter_(std::move(reporter)) {}

void clsReg::Report(const Error& error, const char* location) {
  if (reporter_) reporter_(error, location);
}

std::optional<clsReg::Key> clsReg::Peek(RegKey handle) const {
  // The hive's file is looked up at each use: an installer may add it while the program runs.
  if (handle == HKEY_LOCAL_MACHINE) return Key{MachineSettingsFile(), QString(), false};
  auto it = handles_.find(handle);
  if (it == handles_.end()) return std::nullopt;
  return it->second;
}

std::optional<clsReg::Key> clsReg::Lookup(RegKey handle, const char* location) {
  auto key = Peek(handle);
  if (!key) Report(InvalidHandle(handle), location);
  return key;
}

bool clsReg::IsReadOnly(RegKey key) const {
  auto it = handles_.find(key);
  return it != handles_.end() && it->second.readOnly;
}

std::int32_t clsReg::Write(const Key& key, const std::string& name, const RegValue& value, const char* location) {
  if (name.empty()) {
    Report(Error(err::Application, "A registry value needs a name"), location);
    return reg::InvalidParameter;
  }
  const std::string where = key.file + (key.group.isEmpty() ? "" : " [" + key.group.toStdString() + "]");
  if (key.readOnly) {
    Report(Error(err::PermissionDenied, "Permission denied: the key in " + where + " is open for reading only"),
           location);
    return reg::AccessDenied;
  }
  QSettings s(Q(key.file), QSettings::IniFormat);
  // Write in place when the folder refuses the temporary file of an atomic save but the file is writable.
  s.setAtomicSyncRequired(false);
  if (s.isWritable()) {
    auto group = ini::ResolveGroup(s, key.group);
    s.setValue(ini::FindKey(s, group.path, Q(name)).value_or(ini::JoinKey(group.path, Q(name))), Encode(value));
    s.sync();
    if (s.status() == QSettings::NoError) return reg::Success;
  }
  Report(Error(err::PermissionDenied, "Permission denied: cannot write " + where), location);
  return reg::AccessDenied;
}

void clsReg::UpdateRegStringValue(RegKey RegKeyHandle, const std::string& RegValueName,
                                  const std::string& NewRegValue) {
  if (auto key = Lookup(RegKeyHandle, "CR:1")) Write(*key, RegValueName, NewRegValue, "CR:1");
}

std::string clsReg::QueryRegStringValue(RegKey KeytoQuery, const std::string& ValuetoQuery) {
  auto key = Lookup(KeytoQuery, "CR:2");
  if (!key) return {};
  std::optional<Error> failure;
  auto stored = ReadValue(key->file, key->group, ValuetoQuery, failure);
  if (failure) Report(*failure, "CR:2");
  if (!stored || stored->type != reg::REG_SZ) return {};
  // The value and its terminating zero must fit the buffer with a byte to spare.
  if (stored->text.size() + 1 > reg::StringBufferSize - 1) return {};
  return stored->text.substr(0, stored->text.find('\0'));
}

void clsReg::DelRegEntries(RegKey HStartKey, const std::string& HSubKey) {
  auto key = Lookup(HStartKey, "CR:3");
  if (!key) return;
  QSettings s(Q(key->file), QSettings::IniFormat);
  s.setAtomicSyncRequired(false);
  auto target = ini::ResolveGroup(s, ini::JoinKey(key->group, Q(HSubKey)));
  if (target.path.isEmpty()) {
    Report(Error(err::Application, "The root of " + key->file + " cannot be deleted"), "CR:3");
  } else if (target.exists) {
    if (key->readOnly || !s.isWritable()) {
      Report(Error(err::PermissionDenied, "Permission denied: cannot delete a key in " + key->file), "CR:3");
    } else {
      // Key by key: removing the group by name would also remove a value of the same name in the parent key.
      s.beginGroup(target.path);
      const QStringList below = s.allKeys();
      s.endGroup();
      for (const auto& k : below) s.remove(target.path + '/' + k);
      s.sync();
      if (s.status() != QSettings::NoError)
        Report(Error(err::PermissionDenied, "Permission denied: cannot write " + key->file), "CR:3");
    }
  }
  if (HStartKey != HKEY_LOCAL_MACHINE) handles_.erase(HStartKey);
}

std::int32_t clsReg::CheckForRegKey(RegKey HStartKey, const std::string& HSubKey) {
  auto key = Lookup(HStartKey, "CR:4");
  if (!key) return reg::InvalidHandle;
  QSettings s(Q(key->file), QSettings::IniFormat);
  return ini::ResolveGroup(s, ini::JoinKey(key->group, Q(HSubKey))).exists ? reg::Success : reg::NotFound;
}

void clsReg::OpenCreateRegistryKey(RegKey MainRegHive, const std::string& hivesubkey, RegKey& RegHandle) {
  RegHandle = 0;
  auto base = Lookup(MainRegHive, "CR:5");
  if (!base) return;
  QSettings s(Q(base->file), QSettings::IniFormat);
  s.setAtomicSyncRequired(false);
  bool writable = !base->readOnly && s.isWritable();
  auto group = ini::ResolveGroup(s, ini::JoinKey(base->group, Q(hivesubkey)));
  if (!group.exists && writable) {
    s.setValue(ini::JoinKey(group.path, kKeyMarker), QString());
    s.sync();
    // A key that cannot be created is opened for reading, as a refused full access is: the caller then reads
    // empty values, and only a write through the handle is a failure worth a message.
    if (s.status() != QSettings::NoError) writable = false;
  }
  RegKey handle = NextHandle();
  while (handles_.count(handle)) handle = NextHandle();
  handles_[handle] = Key{base->file, group.path, !writable};
  RegHandle = handle;
}

void clsReg::CloseRegKey(RegKey RegHandtoClose) {
  if (RegHandtoClose == HKEY_LOCAL_MACHINE) return;
  if (handles_.erase(RegHandtoClose) == 0) Report(InvalidHandle(RegHandtoClose), "CR:6");
}

std::int32_t clsReg::QueryValueEx(RegKey lhKey, const std::string& szValueName, RegValue& vValue) {
  auto key = Peek(lhKey);
  if (!key) return reg::InvalidHandle;
  std::optional<Error> failure;
  auto stored = ReadValue(key->file, key->group, szValueName, failure);
  if (failure) return reg::AccessDenied;
  if (!stored) return reg::NotFound;
  switch (stored->type) {
    case reg::REG_SZ: vValue = stored->text; return reg::Success;
    case reg::REG_DWORD: vValue = stored->number; return reg::Success;
    default: return -1;
  }
}

std::int32_t clsReg::SetValueEx(RegKey hKey, const std::string& sValueName, std::int32_t lType,
                                const RegValue& vValue) {
  if (lType != reg::REG_SZ && lType != reg::REG_DWORD) return reg::Success;
  auto key = Lookup(hKey, "CR:7");
  if (!key) return reg::InvalidHandle;
  if (lType == reg::REG_SZ) {
    std::string text;
    if (const auto* s = std::get_if<std::string>(&vValue)) text = *s;
    if (const auto* n = std::get_if<std::int32_t>(&vValue)) text = std::to_string(*n);
    return Write(*key, sValueName, text, "CR:7");
  }
  std::int32_t number = 0;
  if (const auto* n = std::get_if<std::int32_t>(&vValue)) number = *n;
  if (const auto* s = std::get_if<std::string>(&vValue)) {
    auto parsed = ParseNumber(*s);
    if (!parsed) {
      Report(Error(13, "Type mismatch: \"" + *s + "\" is not a 32-bit number"), "CR:7");
      return reg::InvalidParameter;
    }
    number = *parsed;
  }
  return Write(*key, sValueName, number, "CR:7");
}

std::string clsReg::ReadMachineValue(const std::string& name) {
  RegKey key = 0;
  OpenCreateRegistryKey(HKEY_LOCAL_MACHINE, kMachineKey, key);
  std::string value = QueryRegStringValue(key, name);
  CloseRegKey(key);
  return value;
}

}  // namespace dv
