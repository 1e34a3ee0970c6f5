#pragma once

// Month and day names and AM/PM markers of the languages a format code's locale tag may name
// ([$-407], [$€-40C]). Internal to the number-format engine; the tables are static data, so
// looking a language up costs no allocation.

#include <cstdint>
#include <string_view>

namespace lomandra::numfmt {

struct LocaleNames {
  const char* monthsFull[12];  // mmmm
  const char* monthsShort[12];  // mmm
  const char* daysFull[7];     // dddd, from Sunday
  const char* daysShort[7];    // ddd, from Sunday
  const char* am;              // AM/PM before noon
  const char* pm;              // AM/PM from noon
};

/// The names shown for a Windows locale id (the low 16 bits of a tag's hex number); the en-US
/// names for a language the table does not hold.
const LocaleNames& localeNames(std::uint32_t lcid);

/// The names of the language a tag names ("de-DE", "DE", "ru-RU-x-genlower", any case); nullptr
/// when the table holds no such language.
const LocaleNames* namesOfLanguageTag(std::string_view tag);

/// The en-US names (no tag, or a tag naming English).
const LocaleNames& englishNames();

}  // namespace lomandra::numfmt
