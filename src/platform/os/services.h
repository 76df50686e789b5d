// Small system services: sleeping, local date and time in the Delphi forms, locale collation.
#pragma once

#include <QCollatorSortKey>
#include <QDateTime>
#include <QString>

namespace zuvi::os {

// Suspends the calling thread.
void sleepMs(int ms);

// A date-time as days since 1899-12-30 00:00 local time; the fraction is the time of day.
using TDateTime = double;

TDateTime now();
TDateTime toTDateTime(const QDateTime& local);
QDateTime fromTDateTime(TDateTime value); // local time, millisecond precision

// Formats like Delphi's FormatDateTime. Specifiers (letter case ignored): y/yy (two-digit year),
// yyy/yyyy (four-digit year), m/mm (month, or minute right after an h specifier), d/dd, h/hh,
// n/nn (minute), s/ss, z/zzz (milliseconds); "/" and ":" stand for the locale's date and time
// separators; text in '...' or "..." is copied; any other character is copied as is.
// "hh" gives the hour of the day part only, so elapsed times wrap after 24 hours.
QString formatDateTime(const QString& format, TDateTime value);

// The separators formatDateTime puts for "/" and ":" (from the user's locale; "/" and ":" in the C locale).
QString dateSeparator();
QString timeSeparator();

// Compares two texts in the user's locale (QLocale::system(), case-sensitive): <0, 0 or >0.
// An empty text is smaller than any other.
int localeCompare(const QString& a, const QString& b);
// The collation key of a non-empty text: keys compare as localeCompare compares the texts.
QCollatorSortKey localeSortKey(const QString& text);

} // namespace zuvi::os
