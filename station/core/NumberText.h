// NumberText.h - the text of numbers in the lists and bar labels.
//
// Interface summary
//   IntToStr(v)                 "-12", "0", "199"
//   FloatToStr(v, sep)          15 significant digits of the exact value
//   FloatToStr(v)               the same with the numeric locale's separator
//   LocaleDecimalSeparator()    "." or "," in practice
//
// Both stations list samples through these functions, so equal samples give
// equal text on both sides. No Qt: the decimal separator comes from the C
// numeric locale, which the application sets from the environment at start-up.
//
// FloatToStr in detail:
//   - the value is taken exactly (a single widens to long double without
//     change) and rounded to 15 significant digits, exact ties away from
//     zero: the single 4.072296142578125 gives "4.07229614257813";
//   - trailing zeros are dropped; a whole number has no separator ("23");
//     both zeros give "0";
//   - fixed notation when the rounded value has its leading digit between
//     10^-5 and 10^14 ("0.00001", "123456789012345");
//   - otherwise the exponent form: the digits with the separator after the
//     first, "E", the sign and the exponent without leading zeros
//     ("1E+15", "1.23456789012346E+18", "9.9E-6");
//   - "NAN" for any not-a-number, "INF" and "-INF" for the infinities.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Plain decimal, "-" before a negative value.
std::string IntToStr(std::int32_t value);

// General format with 15 significant digits of the exact value (exact ties
// rounded away from zero), trailing zeros dropped, whole numbers without a
// separator, `decimalSeparator` between the integer and fraction digits.
std::string FloatToStr(long double value, std::string_view decimalSeparator);

// As above with the separator of the numeric locale in effect.
std::string FloatToStr(long double value);

// The numeric locale's decimal separator ("." or "," in practice).
std::string LocaleDecimalSeparator();
