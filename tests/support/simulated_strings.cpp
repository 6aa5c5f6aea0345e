// The simulated string functions: the ANSI code page the tool converts its events to, and ordinal
// comparison. The conversions themselves are the host's.
#include <algorithm>

#include "support/simulated_internals.h"

namespace sim {

DWORD CopyOut(const std::wstring& text, LPWSTR buffer, DWORD capacity) {
  if (text.size() >= capacity) return static_cast<DWORD>(text.size() + 1);
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = L'\0';
  return static_cast<DWORD>(text.size());
}

}  // namespace sim

namespace platform {

UINT GetACP() {
  Enter("GetACP");
  return TheWorld().ansiCodePage;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wideText, int wideLength,
                        LPSTR multiByteText, int multiByteLength, LPCCH defaultChar,
                        LPBOOL usedDefaultChar) {
  Enter("WideCharToMultiByte");
  const UINT effective = codePage == CP_ACP ? TheWorld().ansiCodePage : codePage;
  // As Windows does for UTF-8: neither flags nor a default character are accepted.
  if (effective == CP_UTF8 && flags != 0) {
    Fail(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (effective == CP_UTF8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int result = ::WideCharToMultiByte(effective, flags, wideText, wideLength, multiByteText,
                                           multiByteLength, defaultChar, usedDefaultChar);
  if (result == 0) {
    Fail(::GetLastError());
  } else {
    Succeed();
  }
  return result;
}

int CompareStringOrdinal(LPCWCH string1, int length1, LPCWCH string2, int length2,
                         BOOL ignoreCase) {
  Enter("CompareStringOrdinal");
  if (TheWorld().compareStringOrdinalFails) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Succeed();
  return ::CompareStringOrdinal(string1, length1, string2, length2, ignoreCase);
}

}  // namespace platform
