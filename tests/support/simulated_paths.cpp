// The simulated path rules: how a plain, device or verbatim path reaches the file system, which
// paths are too long to open, the volume forms of a final path, and 8.3 short names.
#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "support/simulated_internals.h"

namespace sim {
namespace {

bool IsAbsolute(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') || StartsWith(path, L"\\\\");
}

bool IsDriveRelative(const std::wstring& path) {
  return path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0]) &&
         (path.size() == 2 || path[2] != L'\\');
}

// The current folder of a drive: the process's own on its drive; on another drive the one it
// last had there (Windows keeps it in the environment), else the drive's root.
std::wstring DriveCurrentDirectory(wchar_t drive) {
  const World& world = TheWorld();
  const wchar_t letter = static_cast<wchar_t>(std::towupper(drive));
  if (static_cast<wchar_t>(std::towupper(world.currentDirectory[0])) == letter) {
    return world.currentDirectory;
  }
  auto it = world.driveCurrentDirectories.find(letter);
  if (it != world.driveCurrentDirectories.end()) return it->second;
  return std::wstring{letter, L':', L'\\'};
}

bool IsVerbatimForm(const std::wstring& path) {
  return StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\??\\");
}

bool IsDeviceForm(const std::wstring& path) {
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  return IsVerbatimForm(path) ||
         (path.size() >= 4 && separator(path[0]) && separator(path[1]) &&
          (path[2] == L'?' || path[2] == L'.') && separator(path[3]));
}

}  // namespace

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// Like the system's clean-up of a plain path: relative to the current directory ("X:name" to
// drive X's current folder, "\\name" to the current drive's root), repeated backslashes
// collapsed.
static std::wstring CleanPlainPath(const std::wstring& path) {
  std::wstring full;
  if (IsAbsolute(path)) {
    full = path;
  } else if (IsDriveRelative(path)) {
    full = DriveCurrentDirectory(path[0]) + L"\\" + path.substr(2);
  } else if (!path.empty() && path[0] == L'\\') {
    full = TheWorld().currentDirectory.substr(0, 2) + path;
  } else {
    full = TheWorld().currentDirectory + L"\\" + path;
  }
  std::wstring cleaned;
  for (size_t i = 0; i < full.size(); ++i) {
    if (i >= 2 && full[i] == L'\\' && cleaned.back() == L'\\') continue;
    cleaned.push_back(full[i]);
  }
  return cleaned;
}

// The full path, as the file system is given it: "\\?\" and "\??\" forms untouched; the other
// device forms ("\\.\", "//?/", "\\?/" and every other mix of the two separators) keep their
// device prefix (its slashes turned) and the rest is cleaned up like a plain path, forward
// slashes included; a plain path is made absolute and cleaned up.
std::wstring FullPath(const std::wstring& path) {
  if (IsVerbatimForm(path)) return path;
  std::wstring turned = path;
  std::replace(turned.begin(), turned.end(), L'/', L'\\');
  if (!IsDeviceForm(path)) return CleanPlainPath(turned);
  std::wstring rest = turned.substr(4);
  rest.erase(std::unique(rest.begin(), rest.end(),
                         [](wchar_t a, wchar_t b) { return a == L'\\' && b == L'\\'; }),
             rest.end());
  return turned.substr(0, 4) + rest;
}

// The path as the file system gets it, in its given letter case, as a drive or UNC path. No
// trailing backslash except on a volume's root.
std::wstring DosForm(const std::wstring& path) {
  std::wstring form = FullPath(path);
  if (IsDeviceForm(form)) {
    const std::wstring rest = form.substr(4);
    form = rest.compare(0, 4, L"UNC\\") == 0 ? L"\\\\" + rest.substr(4) : rest;
  }
  if (form.size() > 3 && form.back() == L'\\') form.pop_back();
  return form;
}

// The "\\?\" form of a path.
std::wstring PrefixedForm(const std::wstring& path) {
  const std::wstring form = DosForm(path);
  return StartsWith(form, L"\\\\") ? L"\\\\?\\UNC\\" + form.substr(2) : L"\\\\?\\" + form;
}

// Without long paths enabled, a path of MAX_PATH characters or more does not open once the
// system has cleaned it up: a plain path, and a device form other than "\\?\" and "\??\",
// which alone hand the rest over as it is.
bool IsHeldToMaxPath(const std::wstring& path) {
  return !TheWorld().longPathsEnabled && !IsVerbatimForm(path) &&
         FullPath(path).size() >= MAX_PATH;
}

std::wstring Parent(const std::wstring& key) {
  const size_t slash = key.rfind(L'\\');
  if (slash == std::wstring::npos || slash < 2 || key.size() <= 3) return std::wstring();
  std::wstring parent = key.substr(0, slash);
  if (parent.size() == 2 && parent[1] == L':') parent += L'\\';  // a volume's root
  return parent;
}

PathResultSim InVolumeForm(const std::wstring& path, DWORD volumeFlag) {
  const bool unc = StartsWith(path, L"\\\\?\\UNC\\");
  size_t restStart = 6;  // after "\\?\X:"
  if (unc) {
    const size_t server = path.find(L'\\', 8);
    const size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
    restStart = share == std::wstring::npos ? path.size() : share;
  }
  const std::wstring rest = path.substr(restStart);
  const unsigned volumeNumber = unc ? 0 : static_cast<unsigned>(std::towupper(path[4]) - L'A');
  switch (volumeFlag) {
    case VOLUME_NAME_DOS:
      return {path, ERROR_SUCCESS};
    case VOLUME_NAME_GUID: {
      // No volume GUID path is made for a network share.
      if (unc) return {std::wstring(), ERROR_PATH_NOT_FOUND};
      wchar_t guid[64];
      swprintf(guid, 64, L"\\\\?\\Volume{5eed%04x-0000-4000-8000-000000000000}", volumeNumber);
      return {guid + rest, ERROR_SUCCESS};
    }
    case VOLUME_NAME_NT:
      if (unc) return {L"\\Device\\Mup\\" + path.substr(8), ERROR_SUCCESS};
      return {L"\\Device\\HarddiskVolume" + std::to_wstring(volumeNumber + 1) + rest, ERROR_SUCCESS};
    case VOLUME_NAME_NONE:
      return {rest, ERROR_SUCCESS};
    default:
      return {std::wstring(), ERROR_INVALID_PARAMETER};
  }
}

std::wstring NormalizedKey(const std::wstring& path) {
  std::wstring key = Lower(DosForm(path));
  for (bool expanded = true; expanded;) {
    expanded = false;
    for (const auto& [shortKey, longKey] : TheWorld().shortNames) {
      if (StartsWith(key, shortKey) &&
          (key.size() == shortKey.size() || key[shortKey.size()] == L'\\')) {
        key = longKey + key.substr(shortKey.size());
        expanded = true;
      }
    }
  }
  return key;
}

void AddShortName(const std::wstring& shortPath, const std::wstring& longPath) {
  TheWorld().shortNames[NormalizedKey(shortPath)] = NormalizedKey(longPath);
}

// What GetFullPathNameW answers: the full path, but for "\??\", which names the system's own
// object directory and is no form a Win32 path has: there it is a path rooted on the current
// drive, "\??\C:\x" becoming "C:\??\C:\x".
static std::wstring FullPathName(const std::wstring& path) {
  return StartsWith(path, L"\\??\\") ? CleanPlainPath(path) : FullPath(path);
}

}  // namespace sim

namespace platform {

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  Enter("GetFullPathNameW");
  if (filePart != nullptr) *filePart = nullptr;
  const DWORD length = sim::CopyOut(sim::FullPathName(fileName), buffer, bufferLength);
  Succeed();
  return length;
}

}  // namespace platform
