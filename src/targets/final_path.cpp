#include "targets/final_path.h"

#include "common/unique_handle.h"

namespace procsweep {
namespace {

constexpr wchar_t kPrefix[] = L"\\\\?\\";
constexpr wchar_t kUncPrefix[] = L"\\\\?\\UNC\\";
constexpr wchar_t kDevicePrefix[] = L"\\\\.\\";

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

bool IsAbsolutePlainPath(const std::wstring& path) {
  const bool driveAbsolute = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
  return driveAbsolute || StartsWith(path, L"\\\\");
}

// A plain path of MAX_PATH characters or more cannot be opened by a program that is not
// long-path aware; its full path behind the "\\?\" prefix can. Only such paths are rewritten,
// so every other path reaches the system exactly as given.
std::wstring OpenablePath(const std::wstring& path) {
  if (StartsWith(path, kPrefix) || StartsWith(path, kDevicePrefix)) return path;
  if (path.size() < MAX_PATH && IsAbsolutePlainPath(path)) return path;
  std::wstring full(kPathBufferCapacity, L'\0');
  const DWORD length =
      platform::GetFullPathNameW(path.c_str(), kPathBufferCapacity, full.data(), nullptr);
  if (length == 0 || length >= kPathBufferCapacity) return path;
  full.resize(length);
  if (full.size() < MAX_PATH) return path;
  if (StartsWith(full, L"\\\\")) return kUncPrefix + full.substr(2);
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return kPrefix + full;
  return path;
}

PathResult Failed(DWORD error) {
  platform::SetLastError(error);
  return PathResult{std::wstring(), error};
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
  if (!file) return Failed(platform::GetLastError());

  std::wstring finalPath(kPathBufferCapacity, L'\0');
  const DWORD length = platform::GetFinalPathNameByHandleW(file.get(), finalPath.data(),
                                                           kPathBufferCapacity, 0);
  if (length == 0) return Failed(platform::GetLastError());
  // Too small a buffer makes the call return the size it needs and set no error at all; a
  // stale error from earlier would be taken for the real cause (a stale 2 or 3 would make a
  // present installation look missing).
  if (length >= kPathBufferCapacity) return Failed(ERROR_FILENAME_EXCED_RANGE);
  finalPath.resize(length);
  return PathResult{std::move(finalPath), ERROR_SUCCESS};
}

std::wstring ToPlainPath(const std::wstring& path) {
  if (StartsWith(path, kUncPrefix)) return L"\\\\" + path.substr(8);
  if (StartsWith(path, kPrefix)) return path.substr(4);
  return path;
}

}  // namespace procsweep
