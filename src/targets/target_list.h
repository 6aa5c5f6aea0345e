// The executables of an installation whose running processes the sweep looks for.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace procsweep {

struct TargetExecutable {
  std::wstring imageName;   // file name, compared with the process snapshot's entry name
  std::wstring finalPath;   // prefixed final path, compared with the process image's
  bool isMainExecutable = false;
};

using TargetList = std::vector<TargetExecutable>;

// Relative to the installation directory, in the order they are tried.
inline constexpr std::array<const wchar_t*, 4> HelperExecutables = {
    L"resources\\runtime\\node\\node.exe",
    L"resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
    L"resources\\app.asar.unpacked\\node_modules\\@esbuild\\win32-x64\\esbuild.exe",
    L"resources\\app.asar.unpacked\\node_modules\\recheck-windows-x64\\recheck.exe",
};

inline constexpr wchar_t kMarkerFile[] = L"resources\\app.asar";

// The root and one relative path, with exactly one backslash between them. A volume's root
// directory ("\\?\C:\") already ends in one; behind the prefix the system would not clean up
// a doubled backslash.
std::wstring JoinBelowRoot(const std::wstring& root, const std::wstring& relativePath);

// An existing file that is not a directory. Any failure to read the attributes counts as absent.
bool IsExistingFile(const std::wstring& path);

// Adds the executable when its final path is the candidate path itself, letter case aside.
// False only when its attributes or final path cannot be read; that has been reported.
bool AddTargetExecutable(TargetList& list, const std::wstring& installationRoot,
                         const std::wstring& relativePath, bool isMainExecutable);

// The main executable, then the helpers (only when the main executable was admitted or the
// marker file exists). False when the build failed; the list is then to be discarded.
bool BuildTargetList(const std::wstring& installationRoot, const std::wstring& mainExecutableName,
                     TargetList& list);

}  // namespace procsweep
