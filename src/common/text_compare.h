// The one comparison for paths and names: whole strings, ordinal, ignoring case.
#pragma once

#include <string>

namespace procsweep {

// True only when the system calls the two NUL-terminated strings equal; a failed comparison
// counts as different.
bool EqualIgnoringCase(const std::wstring& left, const std::wstring& right);

}  // namespace procsweep
