#pragma once
// The doctor's findings as one JSON object: {"adapters": [...], "findings": [...]}, every string
// exactly as found (escaped, never cleaned). Pure.
#include <string>

#include "iap/Doctor.h"

namespace quorin {

// `result` should come from Diagnose(..., OutsideTextUse::Exact). No trailing newline.
std::string DoctorJson(const DoctorResult& result);

}  // namespace quorin
