// The simulated file system: files and folders, every open of them with its share mode, final
// paths, attributes and writes.
#include <algorithm>

#include "support/simulated_internals.h"

namespace sim {
namespace {

// Generic rights as the file system sees them.
DWORD SpecificRights(DWORD access) {
  if ((access & GENERIC_READ) != 0) access |= FILE_GENERIC_READ;
  if ((access & GENERIC_WRITE) != 0) access |= FILE_GENERIC_WRITE;
  if ((access & GENERIC_EXECUTE) != 0) access |= FILE_GENERIC_EXECUTE;
  if ((access & GENERIC_ALL) != 0) access |= FILE_ALL_ACCESS;
  return access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

bool Reads(DWORD access) { return (access & (FILE_READ_DATA | FILE_EXECUTE)) != 0; }
bool Writes(DWORD access) { return (access & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0; }
bool Deletes(DWORD access) { return (access & DELETE) != 0; }

// The file system's share check between an existing open and a new one. An open that asks for
// none of reading, writing or deleting (attributes only) takes no part in it either way.
bool Conflicts(const OtherOpen& existing, DWORD access, DWORD share) {
  const auto counts = [](DWORD rights) { return Reads(rights) || Writes(rights) || Deletes(rights); };
  if (!counts(access) || !counts(existing.access)) return false;
  return (Reads(access) && (existing.share & FILE_SHARE_READ) == 0) ||
         (Writes(access) && (existing.share & FILE_SHARE_WRITE) == 0) ||
         (Deletes(access) && (existing.share & FILE_SHARE_DELETE) == 0) ||
         (Reads(existing.access) && (share & FILE_SHARE_READ) == 0) ||
         (Writes(existing.access) && (share & FILE_SHARE_WRITE) == 0) ||
         (Deletes(existing.access) && (share & FILE_SHARE_DELETE) == 0);
}

// Every open of the file but the one being made: the tool's own handles, other programs', and
// the image mapping of each running process started from it (read and execute, sharing read
// and delete, as the loader maps an executable).
std::vector<OtherOpen> OpensOf(const File& file) {
  World& world = TheWorld();
  std::vector<OtherOpen> opens = file.openedByOthers;
  for (const auto& [handle, entry] : world.handles) {
    if (entry.kind == HandleKind::File && entry.file == &file) {
      opens.push_back({entry.access, entry.share});
    }
  }
  const std::wstring key = NormalizedKey(file.path);
  for (const Process& process : world.processes) {
    if (!process.exited && NormalizedKey(process.imagePath) == key) {
      opens.push_back({FILE_READ_DATA | FILE_EXECUTE, FILE_SHARE_READ | FILE_SHARE_DELETE});
    }
  }
  return opens;
}

bool IsLink(const File& file) { return NormalizedKey(file.finalPath) != NormalizedKey(file.path); }

DWORD MissingError(const std::wstring& key) {
  const File* parent = nullptr;
  auto it = TheWorld().files.find(Parent(key));
  if (it != TheWorld().files.end()) parent = &it->second;
  return parent != nullptr && (parent->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
             ? ERROR_FILE_NOT_FOUND
             : ERROR_PATH_NOT_FOUND;
}

File& AddEntry(const std::wstring& path, DWORD attributes) {
  World& world = TheWorld();
  const std::wstring key = NormalizedKey(path);
  const std::wstring parent = Parent(key);
  if (!parent.empty() && world.files.count(parent) == 0) {
    std::wstring parentPath = path.substr(0, path.rfind(L'\\'));
    if (parentPath.size() == 2 && parentPath[1] == L':') parentPath += L'\\';
    if (parentPath.size() == 6 && parentPath.compare(0, 4, L"\\\\?\\") == 0) parentPath += L'\\';
    AddEntry(parentPath, FILE_ATTRIBUTE_DIRECTORY);
  }
  File& file = world.files[key];
  file.path = path;
  file.attributes = attributes;
  file.finalPath = PrefixedForm(path);
  return file;
}

}  // namespace

File& AddFile(const std::wstring& path) { return AddEntry(path, FILE_ATTRIBUTE_NORMAL); }
File& AddDirectory(const std::wstring& path) { return AddEntry(path, FILE_ATTRIBUTE_DIRECTORY); }

File* FindFile(const std::wstring& path) {
  auto it = TheWorld().files.find(NormalizedKey(path));
  return it == TheWorld().files.end() ? nullptr : &it->second;
}

void OpenElsewhere(const std::wstring& path, DWORD access, DWORD share) {
  File* file = FindFile(path);
  if (file != nullptr) file->openedByOthers.push_back({SpecificRights(access), share});
}

}  // namespace sim

namespace platform {

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
  Enter("CreateFileW");
  sim::World& world = TheWorld();
  if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (sim::IsHeldToMaxPath(fileName)) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const DWORD access = sim::SpecificRights(desiredAccess);
  const std::wstring key = sim::NormalizedKey(fileName);
  auto it = world.files.find(key);
  const bool created = it == world.files.end();
  if (created) {
    const DWORD missing = sim::MissingError(key);
    const bool creates = creationDisposition == CREATE_NEW ||
                         creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    if (!creates || missing != ERROR_FILE_NOT_FOUND) {
      Fail(missing);
      return INVALID_HANDLE_VALUE;
    }
    sim::AddFile(sim::DosForm(fileName));
    it = world.files.find(key);
  } else if (creationDisposition == CREATE_NEW) {
    Fail(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
  }
  sim::File& file = it->second;
  if (file.createFileError != 0) {
    Fail(file.createFileError);
    return INVALID_HANDLE_VALUE;
  }
  const bool directory = (file.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool truncates = creationDisposition == CREATE_ALWAYS ||
                         creationDisposition == TRUNCATE_EXISTING;
  if (directory && ((flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) == 0 ||
                    sim::Writes(access) || truncates)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (creationDisposition == TRUNCATE_EXISTING && (access & FILE_WRITE_DATA) == 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  for (const sim::OtherOpen& other : sim::OpensOf(file)) {
    if (sim::Conflicts(other, access, shareMode)) {
      Fail(ERROR_SHARING_VIOLATION);
      return INVALID_HANDLE_VALUE;
    }
  }
  if (truncates) file.content.clear();
  sim::HandleEntry entry{};
  entry.kind = sim::HandleKind::File;
  entry.file = &file;
  entry.access = access;
  entry.share = shareMode;
  entry.openedAs = fileName;
  entry.reachesLink = (flagsAndAttributes & FILE_FLAG_OPEN_REPARSE_POINT) != 0 && sim::IsLink(file);
  HANDLE handle = sim::NewHandle(std::move(entry));
  // Opening or replacing a file that was there is told apart from making a new one.
  if (creationDisposition == OPEN_ALWAYS || creationDisposition == CREATE_ALWAYS) {
    SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
  } else {
    Succeed();
  }
  return handle;
}

DWORD GetFinalPathNameByHandleW(HANDLE handle, LPWSTR filePath, DWORD filePathLength, DWORD flags) {
  Enter("GetFinalPathNameByHandleW");
  sim::HandleEntry* entry = sim::FindHandle(handle, sim::HandleKind::File);
  if (entry == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  const DWORD volumeFlag = flags & (VOLUME_NAME_GUID | VOLUME_NAME_NT | VOLUME_NAME_NONE);
  if ((flags & ~(FILE_NAME_OPENED | VOLUME_NAME_GUID | VOLUME_NAME_NT | VOLUME_NAME_NONE)) != 0 ||
      (volumeFlag & (volumeFlag - 1)) != 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const sim::File& file = *entry->file;
  if (file.getFinalPathNameByHandleError != 0) {
    Fail(file.getFinalPathNameByHandleError);
    return 0;
  }
  // The normalized name has every component in its stored letter case and long form; the
  // opened name is the path as it was opened (after any link was followed), spelled as given.
  std::wstring name;
  if (entry->reachesLink) {
    name = sim::PrefixedForm(file.path);
  } else if ((flags & FILE_NAME_OPENED) == 0 || sim::IsLink(file)) {
    name = file.finalPath;
  } else {
    name = sim::PrefixedForm(entry->openedAs);
  }
  const sim::PathResultSim form = sim::InVolumeForm(name, volumeFlag);
  if (form.error != ERROR_SUCCESS) {
    Fail(form.error);
    return 0;
  }
  const DWORD length = sim::CopyOut(form.path, filePath, filePathLength);
  // Too small a buffer leaves the last error alone.
  if (length < filePathLength) Succeed();
  return length;
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  Enter("GetFileAttributesW");
  if (sim::IsHeldToMaxPath(fileName)) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  const std::wstring key = sim::NormalizedKey(fileName);
  auto it = TheWorld().files.find(key);
  if (it == TheWorld().files.end()) {
    Fail(sim::MissingError(key));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (it->second.getFileAttributesError != 0) {
    Fail(it->second.getFileAttributesError);
    return INVALID_FILE_ATTRIBUTES;
  }
  Succeed();
  return it->second.attributes;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED) {
  Enter("WriteFile");
  const char* bytes = static_cast<const char*>(buffer);
  if (sim::IsStandardOutput(handle)) {
    sim::WriteStandardOutput(bytes, bytesToWrite);
  } else {
    sim::HandleEntry* entry = sim::FindHandle(handle, sim::HandleKind::File);
    if (entry == nullptr || !sim::Writes(entry->access)) {
      Fail(entry == nullptr ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
      return FALSE;
    }
    std::string& content = entry->file->content;
    if ((entry->access & FILE_WRITE_DATA) == 0) {
      // Append access only: the write lands at the end of the file as it is at that moment.
      content.append(bytes, bytesToWrite);
    } else {
      // Write access: at the file pointer, over whatever is there.
      if (content.size() < entry->filePointer) content.resize(entry->filePointer, '\0');
      content.replace(entry->filePointer, std::min<size_t>(bytesToWrite, content.size() - entry->filePointer),
                      bytes, bytesToWrite);
      entry->filePointer += bytesToWrite;
    }
  }
  if (bytesWritten != nullptr) *bytesWritten = bytesToWrite;
  Succeed();
  return TRUE;
}

}  // namespace platform
