#pragma once

#include <QString>
#include <QStringView>
#include <optional>

/// The form in which value reads back exactly from an INI file. A read trims space, TAB and VT
/// from both ends and drops one pair of matching outer quotes, so a value with blanks at an end,
/// or one that starts and ends with the same quote, is stored wrapped in double quotes.
QString QuoteIniValue(QStringView value);
/// The same, sharing value's text when it needs no quotes.
QString QuoteIniValue(const QString &value);
/// value reads back as it stands: it needs no quotes.
bool IsIniValueAsIs(QStringView value);

/// value with each line break (CR LF, CR or LF) replaced by one blank, for the keys that hold a
/// single line.
QString SingleLineIniValue(QStringView value);

/// The integer rule of the profile files: decimal with an optional sign, or hexadecimal after a
/// "0x" or "0X" prefix followed by at least one more character. nullopt when text is not such
/// a number or does not fit an int.
std::optional<int> ParseIniInteger(QStringView text);

/// Any text as a key that reads back as it: "%", "=", ";", "[", "]" and control characters
/// anywhere, and blanks at either end, written as "%" and two hexadecimal digits.
QString IniKeyFromText(QStringView text);
/// The text back from such a key.
QString TextFromIniKey(QStringView key);
