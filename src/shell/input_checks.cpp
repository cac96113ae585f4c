#include "shell/input_checks.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

#include "common/text_rules.h"

namespace dv {

bool IsNumericText(const QString& text) { return LooksLikeNumber(text.toStdString()); }

std::optional<QDate> ParseDateText(const QString& text) {
  const QString t = text.simplified();
  if (t.isEmpty()) return std::nullopt;
  static const char* const forms[] = {"M-d-yyyy", "M/d/yyyy", "M.d.yyyy", "MMM d, yyyy", "MMM d yyyy",
                                      "MMMM d, yyyy", "MMMM d yyyy", "yyyy-M-d", "d MMM yyyy", "M/d/yy", "M-d-yy"};
  const QLocale c = QLocale::c();
  for (const char* form : forms) {
    QDate d = c.toDate(t, QString::fromLatin1(form));
    if (d.isValid()) {
      // Two-digit years read as 1900s by Qt; a user typing 04 means 2004.
      if (QString::fromLatin1(form).endsWith("/yy") || QString::fromLatin1(form).endsWith("-yy"))
        d = d.addYears(FullYear(d.year() % 100) - d.year());
      return d;
    }
  }
  return std::nullopt;
}

QString FormatDateText(const QDate& date) { return QLocale::c().toString(date, "MMM dd, yyyy"); }

namespace {
struct Unit {
  double factor;
  const char* name;
};
const Unit kUnits[] = {{1.0, "Byte(s)"}, {1024.0, "Kilobyte(s)"}, {1048576.0, "Megabyte(s)"}};

// A 32-bit conversion rounding half to even, as the size values are stored.
double Round32(double v) { return std::nearbyint(v); }
}  // namespace

QString SizeConversionNotice(double size, const QString& filterUnit, int displayIndex) {
  int filterIndex = filterUnit == "Bytes" ? 0 : filterUnit == "KB" ? 1 : filterUnit == "MB" ? 2 : -1;
  if (filterIndex < 0 || displayIndex < 0 || displayIndex > 2) return {};
  if (!(size > 0) || filterIndex == displayIndex) return {};
  const Unit& from = kUnits[filterIndex];
  const Unit& to = kUnits[displayIndex];
  double converted = Round32(Round32(size) * from.factor / to.factor);
  return QString("File size filtration is based on the 'Show Sizes In' value and your ") + from.name +
         " value will be converted into " + to.name + " before filtering files.\r\n\r\nYour " +
         QString::number(size, 'g', 15) + " " + from.name + " will be converted into " +
         QString::number(converted, 'f', 0) + " " + to.name + " when filtering.";
}

const QString& QuickReferenceText() {
  static const QString text = [] {
    const QStringList lines = {
        "Standard Wildcard & Regular Expression Reference Cards",
        "",
        "Wildcard Matching",
        "-------------------------------",
        "? - Match any one character",
        "* - Match any character(s)",
        "",
        "Examples:",
        "T?s - will match Tes, Tas, Tos, Tts,...",
        "T?s* - will match Testing, Tossing, Toss,...",
        "*T?s* - will match atoll, attesting,...",
        "Tas - will match Tas",
        "",
        "Regular Expression Pattern Matching Reference Card",
        "----------------------------------------------------------",
        "$ - Anchor to end",
        "^ - Anchor to beginning",
        "+ - Match 1 or more times",
        ". - Match any one character",
        "? - Match 0 or 1 of previous character",
        "* - Match 0 or more of previous character",
        "\\ - Escape character",
        "\\d - Matches digits 0 through 9",
        "\\w - Matches only letters, numbers, or underscores",
        "[] - Will match range or series or characters",
        "() - Will force match to group when used with +",
        "",
        "Examples:",
        ".*test* - will match in: testing, atest, atests, testing123",
        "\\.ba.  - since first . was escaped will match in : mf.bak,",
        "a.bat, tba.bas",
        "(le+)+ - will match in : leeleleeeele  or le  or lelee",
        "t[ioa]ll - will match in : till, tall, toll, atoll, stalled",
        "^\\w\\d+$ - will match in : a1234, b1123 - but not in 1a234",
        "or a123a",
        "art - will match in : dart, martin",
        "",
        "These are just a few examples and a subset of the special",
        "characters available to you with Regular Expressions.",
        "",
    };
    QString all;
    for (const QString& line : lines) all += line + "\r\n";
    return all;
  }();
  return text;
}

}  // namespace dv
