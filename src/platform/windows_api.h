// The seam between the tool and the system. Every Win32 and C-runtime call the tool makes
// goes through one of these functions, which keep the system's own signatures. The product
// links windows_calls.cpp, which forwards each one to Windows; the unit tests link a
// simulated Windows instead. Nothing here knows the tool's vocabulary.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <tlhelp32.h>
#include <restartmanager.h>

namespace platform {

// Errors
DWORD GetLastError();
void SetLastError(DWORD error);

// Files and paths
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR filePath, DWORD filePathLength, DWORD flags);
DWORD GetFileAttributesW(LPCWSTR fileName);
DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE object);
HANDLE GetStdHandle(DWORD stdHandle);

// Console
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
BOOL WriteConsoleW(HANDLE console, const VOID* buffer, DWORD charsToWrite, LPDWORD charsWritten,
                   LPVOID reserved);

// Strings
UINT GetACP();
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wideText, int wideLength,
                        LPSTR multiByteText, int multiByteLength, LPCCH defaultChar,
                        LPBOOL usedDefaultChar);
int CompareStringOrdinal(LPCWCH string1, int length1, LPCWCH string2, int length2,
                         BOOL ignoreCase);

// Processes
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry);
BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry);
HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId);
BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR exeName, PDWORD size);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
BOOL GetProcessTimes(HANDLE process, LPFILETIME creationTime, LPFILETIME exitTime,
                     LPFILETIME kernelTime, LPFILETIME userTime);
LONG CompareFileTime(const FILETIME* fileTime1, const FILETIME* fileTime2);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
ULONGLONG GetTickCount64();
DWORD GetCurrentProcessId();

// Libraries
BOOL SetDefaultDllDirectories(DWORD directoryFlags);
HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);

}  // namespace platform
