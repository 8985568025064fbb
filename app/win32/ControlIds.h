#pragma once
// The Win32 window's control identifiers are the forms' (app/WindowForms.h).
#include "app/WindowForms.h"

namespace quorin {
namespace win32ids = form::id;
}
