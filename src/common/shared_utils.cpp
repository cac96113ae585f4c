#include "common/shared_utils.h"

#include "common/compare_operators.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include "common/pattern.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace dv {

long GetOperatorCode(const std::string& op) {
  const long code = CompareOperatorCode(op);
  return code < 0 ? 0 : code;
}

std::string TrimBlanks(const std::string& text, const char* blanks) {
  size_t b = text.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  return text.substr(b, text.find_last_not_of(blanks) - b + 1);
}

double LeadingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  bool digits = false, dot = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (std::isdigit(static_cast<unsigned char>(c))) digits = true;
    else if (c == '.' && !dot) dot = true;
    else break;
  }
  return digits ? std::strtod(text.substr(start, i - start).c_str(), nullptr) : 0.0;
}

std::string SharedUtilities::ConvertPattern(const std::string& text, long option) {
  std::string out = text;
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "MS:13");
  scope.Step([&] { out = ::dv::ConvertPattern(text, option); });
  return out;
}

bool SharedUtilities::ValidSizeRestriction(const std::string& sizeText, const std::string& unitText) {
  bool valid = true;
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "MS:03");
  scope.Step([&] {
    std::string unit = UpperAscii(unitText);
    double limit;
    if (unit == "BYTES") limit = 2146435072.0;
    else if (unit == "KB") limit = 2096128.0;
    else if (unit == "MB") limit = 2047.0;
    else return;
    double n = LeadingNumber(sizeText);
    if (n >= 0 && n <= limit) return;
    valid = false;
    prompter_.Message(
        "2 GB Size Limitation for File/Folder Size Restrictions:\r\n\r\n0 - 2,047 MB\r\n0 - 2,096,128 KB\r\n"
        "0 - 2,146,435,072 Bytes",
        "2 GB Limit for File/Folder Restrictions");
  });
  return valid;
}

bool SharedUtilities::ValidSavePath(const std::string& fullPath) {
  bool valid = false;
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "MS:04");
  scope.Step([&] {
    size_t slash = fullPath.rfind('/');
    if (slash == std::string::npos || slash + 1 == fullPath.size()) return;
    if (!FileSystemObject().FolderExists(fullPath.substr(0, slash + 1))) return;
    valid = fullPath.find_first_of("/\\:*?\"<>|", slash + 1) == std::string::npos;
  });
  return valid;
}

std::string SharedUtilities::GetDefaultSaveLocation() {
  std::string location;
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "MS:05");
  scope.Step([&] { location = settings_.GetSetting("Default Save Location", DefaultDriveRoot); });
  return location;
}

void SharedUtilities::OfferDefaultSaveLocation(const std::string& currentDefault, const std::string& savedPath) {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "MS:06");
  scope.Step([&] {
    size_t slash = savedPath.rfind('/');
    if (slash == std::string::npos) return;
    std::string folder = savedPath.substr(0, slash + 1);
    // Linux names differ by case, so the folders are compared as they are.
    if (folder == currentDefault) return;
    if (prompter_.YesNo("Would you like to change Dorvane's default save location to: \r\n\r\n" + folder,
                        "Change Default Save Location"))
      settings_.SaveSetting("Default Save Location", folder);
  });
}

int16_t SharedUtilities::GetDefaultExtension() {
  int16_t value = 3;
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "MS:07");
  scope.Step([&] {
    std::string text = settings_.GetSetting("Default Ext", "3");
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (!text.empty() && end && *end == 0 && n >= INT16_MIN && n <= INT16_MAX) value = static_cast<int16_t>(n);
  });
  return value;
}

void SharedUtilities::SaveDefaultExtension(int16_t oldValue, int16_t newValue) {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "MS:08");
  scope.Step([&] {
    if (newValue != oldValue) settings_.SaveSetting("Default Ext", std::to_string(newValue));
  });
}

std::string SharedUtilities::FirstDriveRoot() {
  std::string root = "/";
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "MS:09");
  scope.Step([&] {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) home = h;
    else if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    if (home.empty() || !FileSystemObject().DriveExists(home)) return;
    root = GetAbsolutePathName(home);
    if (root != "/") root += "/";
  });
  return root;
}

}  // namespace dv
