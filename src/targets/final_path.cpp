#include "targets/final_path.h"

#include "common/unique_handle.h"

namespace procsweep {
namespace {

// "\\?\" and "\??\" hand the rest to the file system untouched, at any length. Every other
// device form (two separators, "." or "?", a separator, where a separator is "\" or "/" in any
// mix: "\\.\", "//?/", "\\?/", "/\.\" ...) names a device too, but the system cleans it up like
// a plain path and holds it to MAX_PATH while long paths are off: made full, the same path
// behind "\\?\" opens at any length. Prefixing a device form once more would name something
// else entirely ("//?/Z:/x" would become "\\?\UNC\?\Z:\x").
constexpr const wchar_t* kVerbatimForms[] = {kPrefix, L"\\??\\"};

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

template <size_t N>
bool StartsWithAny(const std::wstring& text, const wchar_t* const (&prefixes)[N]) {
  for (const wchar_t* prefix : prefixes) {
    if (StartsWith(text, prefix)) return true;
  }
  return false;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsNormalizedDeviceForm(const std::wstring& path) {
  return path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
         (path[2] == L'.' || path[2] == L'?') && IsSeparator(path[3]) &&
         !StartsWithAny(path, kVerbatimForms);
}

bool IsDriveAbsolute(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
}

// A path the system would hold to MAX_PATH is opened through its full path behind the "\\?\"
// prefix, which a program that is not long-path aware can open at any length. Every other path
// (a plain path that is short and absolute already) reaches the system exactly as given.
std::wstring OpenablePath(const std::wstring& path) {
  if (StartsWithAny(path, kVerbatimForms)) return path;
  const bool deviceForm = IsNormalizedDeviceForm(path);
  if (!deviceForm && path.size() < MAX_PATH &&
      (IsDriveAbsolute(path) || StartsWith(path, L"\\\\"))) {
    return path;
  }
  std::wstring full(kPathBufferCapacity, L'\0');
  const DWORD length =
      platform::GetFullPathNameW(path.c_str(), kPathBufferCapacity, full.data(), nullptr);
  if (length == 0 || length >= kPathBufferCapacity) return path;
  full.resize(length);
  if (deviceForm) {
    // Made full, a device form begins "\\.\" or "\\?\", its slashes turned round.
    const bool cleanedUp = StartsWith(full, L"\\\\.\\") || StartsWith(full, kPrefix);
    return cleanedUp ? kPrefix + full.substr(kPrefixLength) : path;
  }
  if (full.size() < MAX_PATH || StartsWithAny(full, kVerbatimForms) ||
      IsNormalizedDeviceForm(full)) {
    return path;
  }
  if (StartsWith(full, L"\\\\")) return kUncPrefix + full.substr(2);
  if (IsDriveAbsolute(full)) return kPrefix + full;
  return path;
}

PathResult Failed(DWORD error, bool missing = false) {
  platform::SetLastError(error);
  return PathResult{std::wstring(), error, missing};
}

}  // namespace

PathResult ResolveFinalPath(const std::wstring& path) {
  const std::wstring openable = OpenablePath(path);
  // Attributes only, shared with everyone: the image of a running process opens as well.
  // Backup semantics let directories open; without FILE_FLAG_OPEN_REPARSE_POINT the handle
  // refers to the object at the end of every link.
  UniqueHandle file(platform::CreateFileW(openable.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
  if (!file) {
    const DWORD error = platform::GetLastError();
    return Failed(error, error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
  }

  std::wstring finalPath(kPathBufferCapacity, L'\0');
  const DWORD length =
      platform::GetFinalPathNameByHandleW(file.get(), finalPath.data(), kPathBufferCapacity,
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  // Once the open has succeeded, the object exists: a failure here, even with "file not found"
  // (volumes without a drive letter, some virtual and RAM disks), is never "not there".
  if (length == 0) return Failed(platform::GetLastError());
  // Too small a buffer makes the call return the size it needs and set no error at all; a
  // stale error from earlier would be taken for the real cause.
  if (length >= kPathBufferCapacity) return Failed(ERROR_FILENAME_EXCED_RANGE);
  finalPath.resize(length);
  return PathResult{std::move(finalPath), ERROR_SUCCESS};
}

PathResult ResolveDirectoryFinalPath(const std::wstring& path) {
  PathResult resolved = ResolveFinalPath(path);
  if (resolved.path.empty()) return resolved;
  // The open takes files and directories alike; a file here would leave every candidate below
  // it "not found", and the answer would be "nothing runs".
  const DWORD attributes = platform::GetFileAttributesW(resolved.path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Failed(platform::GetLastError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Failed(ERROR_DIRECTORY);
  return resolved;
}

std::wstring ToPlainPath(const std::wstring& path) {
  if (StartsWith(path, kUncPrefix)) return L"\\\\" + path.substr(kUncPrefixLength);
  if (StartsWith(path, kPrefix)) return path.substr(kPrefixLength);
  return path;
}

}  // namespace procsweep
