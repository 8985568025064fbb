#pragma once
// A promise a fuzz target checks: a broken one aborts, so that libFuzzer keeps the input.
#include <cstdlib>

inline void Require(bool condition) {
  if (!condition) std::abort();
}
