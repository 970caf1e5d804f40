#pragma once

#include <cctype>
#include <cmath>
#include <sstream>
#include <string>
#include <string_view>

namespace tracella {

// Parts of parameterised test names, which may hold only letters, digits and '_'.

// 9.6 gives "9_6", -2 "Minus2", and the non-finite values "Inf", "MinusInf" and "NaN".
inline std::string CaseName(double number) {
  if (std::isnan(number)) return "NaN";
  const std::string sign = number < 0 ? "Minus" : "";
  if (std::isinf(number)) return sign + "Inf";
  std::ostringstream digits;
  digits << std::abs(number);
  std::string name = digits.str();
  for (char& c : name)
    if (c == '.') c = '_';
  return sign + name;
}

// Free text with every run of other characters turned into one '_', none at the ends; no text
// at all gives "Empty".
inline std::string CaseName(std::string_view text) {
  std::string name;
  bool gap = false;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
      gap = true;
      continue;
    }
    if (gap && !name.empty()) name += '_';
    gap = false;
    name += c;
  }
  return name.empty() ? "Empty" : name;
}

}  // namespace tracella
