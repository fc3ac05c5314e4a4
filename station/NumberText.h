// NumberText.h - the text of numbers in the lists and bar labels.
//
// Both stations list samples through these functions, so equal samples give
// equal text on both sides. No Qt: the decimal separator comes from the C
// numeric locale, which the application sets from the environment at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Plain decimal, "-" before a negative value. Returns the text.
std::string IntToStr(std::int32_t value);

// General format with 15 significant digits of the exact value (exact ties
// rounded away from zero), trailing zeros dropped, whole numbers without a
// separator, `decimalSeparator` between the integer and fraction digits.
// Returns the text.
std::string FloatToStr(long double value, std::string_view decimalSeparator);

// As above with the separator of the numeric locale in effect. Returns the text.
std::string FloatToStr(long double value);

// The numeric locale's decimal separator ("." or "," in practice). Returns it.
std::string LocaleDecimalSeparator();
