// The product's side of the seam: each function forwards to the system call of the same name.
#include "platform/windows_api.h"

namespace platform {

DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD error) { ::SetLastError(error); }

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile) {
  return ::CreateFileW(fileName, desiredAccess, shareMode, securityAttributes,
                       creationDisposition, flagsAndAttributes, templateFile);
}
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR filePath, DWORD filePathLength, DWORD flags) {
  return ::GetFinalPathNameByHandleW(file, filePath, filePathLength, flags);
}
DWORD GetFileAttributesW(LPCWSTR fileName) { return ::GetFileAttributesW(fileName); }
DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  return ::GetFullPathNameW(fileName, bufferLength, buffer, filePart);
}
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
  return ::WriteFile(file, buffer, bytesToWrite, bytesWritten, overlapped);
}
BOOL CloseHandle(HANDLE object) { return ::CloseHandle(object); }
HANDLE GetStdHandle(DWORD stdHandle) { return ::GetStdHandle(stdHandle); }

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) { return ::GetConsoleMode(console, mode); }
BOOL WriteConsoleW(HANDLE console, const VOID* buffer, DWORD charsToWrite, LPDWORD charsWritten,
                   LPVOID reserved) {
  return ::WriteConsoleW(console, buffer, charsToWrite, charsWritten, reserved);
}

UINT GetACP() { return ::GetACP(); }
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wideText, int wideLength,
                        LPSTR multiByteText, int multiByteLength, LPCCH defaultChar,
                        LPBOOL usedDefaultChar) {
  return ::WideCharToMultiByte(codePage, flags, wideText, wideLength, multiByteText,
                               multiByteLength, defaultChar, usedDefaultChar);
}
int CompareStringOrdinal(LPCWCH string1, int length1, LPCWCH string2, int length2,
                         BOOL ignoreCase) {
  return ::CompareStringOrdinal(string1, length1, string2, length2, ignoreCase);
}

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
  return ::CreateToolhelp32Snapshot(flags, processId);
}
BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
  return ::Process32FirstW(snapshot, entry);
}
BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
  return ::Process32NextW(snapshot, entry);
}
HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) {
  return ::OpenProcess(desiredAccess, inheritHandle, processId);
}
BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR exeName, PDWORD size) {
  return ::QueryFullProcessImageNameW(process, flags, exeName, size);
}
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  return ::GetExitCodeProcess(process, exitCode);
}
BOOL GetProcessTimes(HANDLE process, LPFILETIME creationTime, LPFILETIME exitTime,
                     LPFILETIME kernelTime, LPFILETIME userTime) {
  return ::GetProcessTimes(process, creationTime, exitTime, kernelTime, userTime);
}
LONG CompareFileTime(const FILETIME* fileTime1, const FILETIME* fileTime2) {
  return ::CompareFileTime(fileTime1, fileTime2);
}
BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  return ::TerminateProcess(process, exitCode);
}
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  return ::WaitForSingleObject(object, milliseconds);
}
ULONGLONG GetTickCount64() { return ::GetTickCount64(); }
DWORD GetCurrentProcessId() { return ::GetCurrentProcessId(); }

BOOL SetDefaultDllDirectories(DWORD directoryFlags) {
  // Looked up rather than imported: Windows 7 without KB2533623 lacks the function, and an
  // import of it would stop the program from starting there at all.
  using Function = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  auto function = kernel32 == nullptr
                      ? nullptr
                      : reinterpret_cast<Function>(
                            reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (function == nullptr) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  return function(directoryFlags);
}
HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags) {
  return ::LoadLibraryExW(fileName, file, flags);
}
FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  return ::GetProcAddress(module, procName);
}
BOOL FreeLibrary(HMODULE module) { return ::FreeLibrary(module); }
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) { return ::GetSystemDirectoryW(buffer, size); }

}  // namespace platform
