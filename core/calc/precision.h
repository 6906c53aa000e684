#pragma once

#include <cfloat>

namespace pleq {

// The calculations compute control values, ratios, means and cut-offs in the
// 80-bit extended format and store them as doubles, and compare the doubles
// with the limits 0.1, 0.2, 0.3 and 1.3 held in that format: the side of a
// limit on which a typed value such as 0,3 falls depends on it. On x86-64
// Linux `long double` is that format; this is the one place that assumes so.
static_assert(LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384,
              "the calculations need long double to be the 80-bit extended format");
using Extended = long double;

inline constexpr Extended Limit0_1 = 0.1L;
inline constexpr Extended Limit0_2 = 0.2L;
inline constexpr Extended Limit0_3 = 0.3L;
inline constexpr Extended Limit1_3 = 1.3L;

// Stores an extended result as a double. A result beyond the double's range
// stops the run with "Floating point overflow" instead of going on with an
// infinity.
double store(Extended value);

// a / b in extended. A zero divisor stops the run: "Floating point division
// by zero", or "Invalid floating point operation" when a is zero as well.
Extended divide(Extended a, Extended b);

} // namespace pleq
