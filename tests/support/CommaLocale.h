// CommaLocale.h - switches LC_NUMERIC to a locale whose decimal separator is
// a comma, for the tests of the number text and the listing.
#pragma once

#include <clocale>
#include <cstdlib>
#include <string>

// Takes an installed comma locale, or else compiles uk_UA from the system's
// locale sources into `folder` (the caller removes it; the loaded locale
// stays mapped). Returns false when neither works.
inline bool UseCommaLocale(const std::string& folder) {
#ifdef _WIN32
  // Windows has every locale under its own names, and no locale sources.
  static_cast<void>(folder);
  for (const char* name : {"German_Germany.1252", "Ukrainian_Ukraine.1251", "de-DE"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) return true;
  }
  return false;
#else
  for (const char* name : {"uk_UA.UTF-8", "de_DE.UTF-8", "ru_RU.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) return true;
  }
  const std::string command = "mkdir -p '" + folder + "' && localedef -i uk_UA -f UTF-8 '" +
                              folder + "/uk_UA.UTF-8' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return false;
  ::setenv("LOCPATH", folder.c_str(), 1);  // setlocale reads it on every call
  return std::setlocale(LC_NUMERIC, "uk_UA.UTF-8") != nullptr;
#endif
}
