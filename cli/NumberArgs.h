#pragma once
// Unsigned numbers on the command line: decimal, or hexadecimal with 0x.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorin {

// The value of `text` ("6400", "0x5A"), or nothing when it is not such a number or exceeds `max`.
// No sign, no blanks, no octal: "010" is ten.
std::optional<std::uint64_t> ParseUnsigned(std::string_view text, std::uint64_t max);

// A CLI11 check that accepts what ParseUnsigned accepts (CLI11 names the option in its message).
CLI::Validator UnsignedUpTo(std::uint64_t max);

}  // namespace quorin
