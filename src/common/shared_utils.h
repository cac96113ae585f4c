#pragma once
// The small shared procedures that several windows use and that need no window: operator codes, input checks,
// the default save location and file type, and the default starting folder. Messages go through the Prompter,
// failures to the error handler (mode 18) with the procedure's location code.
#include <cstdint>
#include <string>

#include "common/error_handler.h"
#include "common/prompter.h"
#include "common/user_settings.h"

namespace dv {

// ">" 0, "<" 1, "=" 2, ">=" 3, "<=" 4; any other text 0.
long GetOperatorCode(const std::string& operatorText);

// `text` without the characters of `blanks` at either end (spaces by default).
std::string TrimBlanks(const std::string& text, const char* blanks = " ");

// The leading numeric part of a text as a user typed it ("12abc" -> 12, "abc" -> 0, " -3" -> -3).
double LeadingNumber(const std::string& text);

class SharedUtilities {
 public:
  SharedUtilities(Prompter& prompter, UserSettings& settings, ErrorHandler& errors)
      : prompter_(prompter), settings_(settings), errors_(errors) {}

  // The name pattern converted for the scanning engine; on a failure the text as the user wrote it.
  std::string ConvertPattern(const std::string& text, long option);

  // True when the size is within 0 to 2,047 MB in the unit given ("Bytes", "KB", "MB"; any other unit is
  // valid). Otherwise shows the limits and returns false.
  bool ValidSizeRestriction(const std::string& sizeText, const std::string& unitText);

  // True when `fullPath` names a file in an existing folder with a name free of \ : * ? " < > |. Shows nothing.
  bool ValidSavePath(const std::string& fullPath);

  // The setting "Default Save Location", else the default drive root.
  std::string GetDefaultSaveLocation();
  // After a save into another folder than the default, offers that folder as the new default.
  void OfferDefaultSaveLocation(const std::string& currentDefault, const std::string& savedPath);

  // The setting "Default Ext" (list position of the file type last saved), 3 when missing or unreadable.
  int16_t GetDefaultExtension();
  void SaveDefaultExtension(int16_t oldValue, int16_t newValue);

  // The folder every tree and path box starts in: the user's home folder, with a trailing "/" ("/" when there
  // is none).
  std::string FirstDriveRoot();

  // Session-wide values.
  std::string DefaultDriveRoot;
  bool PrintFontChecked = false;

 private:
  Prompter& prompter_;
  UserSettings& settings_;
  ErrorHandler& errors_;
};

}  // namespace dv
