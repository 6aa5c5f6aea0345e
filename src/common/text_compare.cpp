#include "common/text_compare.h"

#include "platform/windows_api.h"

namespace procsweep {

bool EqualIgnoringCase(const std::wstring& left, const std::wstring& right) {
  return platform::CompareStringOrdinal(left.c_str(), -1, right.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace procsweep
