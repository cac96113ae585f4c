#pragma once
// The window-free input checks that both working windows use: what counts as a number, the date box's accepted
// forms and its rewritten form, the unit conversion notice, and the quick reference text.
#include <QDate>
#include <QString>
#include <optional>

namespace dv {

// True for what a user may type as a number: optional sign, digits with "," grouping, one decimal point, an
// optional exponent; surrounding spaces allowed. Empty text is not numeric.
bool IsNumericText(const QString& text);

// The date in the date box's text, or nothing. Accepts month-first forms (MM-DD-YYYY, M/D/YYYY), the box's own
// "MMM DD, YYYY" and full month names, and ISO YYYY-MM-DD.
std::optional<QDate> ParseDateText(const QString& text);

// "Oct 04, 2004": English month abbreviations whatever the locale.
QString FormatDateText(const QDate& date);

// The notice shown when a file size filter's unit differs from the report's size unit; empty when none is due
// (size not above 0, same unit, or a unit text outside "Bytes", "KB", "MB"). displayIndex: 0 Bytes, 1 KB, 2 MB.
QString SizeConversionNotice(double size, const QString& filterUnit, int displayIndex);

// The quick reference box's text: 40 lines, each ending with CR LF.
const QString& QuickReferenceText();

}  // namespace dv
