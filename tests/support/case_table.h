// Helpers for table-driven tests: every row carries a name, so a failure says
// which case broke, both in the test's name and in gtest's parameter print.
#pragma once

#include <ostream>
#include <string>

namespace vokari::testing_support {

// Names a parameterised test after the row's `name` field.
inline constexpr auto caseName = [](const auto& row) { return std::string(row.param.name); };

}  // namespace vokari::testing_support

// Inside a case struct: prints the row by its name instead of its bytes.
#define VOKARI_PRINT_CASE_BY_NAME(Type) \
    friend void PrintTo(const Type& row, std::ostream* os) { *os << row.name; }
