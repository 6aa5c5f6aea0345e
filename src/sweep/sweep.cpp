#include "sweep/sweep.h"

#include <cwchar>
#include <string>
#include <vector>

#include "common/text_compare.h"
#include "common/unique_handle.h"
#include "report/report_event.h"
#include "restart_manager/inaccessible_process.h"
#include "sweep/close_request.h"
#include "sweep/process_query.h"
#include "sweep/termination.h"
#include "targets/final_path.h"

namespace procsweep {
namespace {

void Tally(ExitCode& result, bool isMainExecutable) {
  if (result == ExitCode::Failure) return;
  if (isMainExecutable) {
    result = ExitCode::MainRunning;
  } else if (result == ExitCode::Success) {
    result = ExitCode::HelpersRunning;
  }
}

void Fail(const wchar_t* eventName, DWORD pid, DWORD error, const std::wstring& text,
          ExitCode& result) {
  ReportEvent(eventName, pid, error, text);
  result = ExitCode::Failure;
}

// An image path, and the final path it resolved to earlier in the same pass.
struct ResolvedImage {
  std::wstring imagePath;
  std::wstring finalPath;
};

// What one pass keeps while it walks its snapshot.
struct SweepPass {
  SweepMode mode;
  ULONGLONG deadline;
  DWORD ownPid;
  ExitCode result = ExitCode::Success;
  WindowLibrary user32;
  std::vector<ResolvedImage> resolvedImages;
};

// An Electron application runs many processes of each of its executables, all with the same
// image path. A pass that only looks lasts a moment: it resolves each image path once and keeps
// the answer. A failure is not kept; each process meets it afresh. Every pass that acts on a
// process resolves its image anew: a close request or a termination goes to another program,
// and must never rest on an answer from before a folder on its path was re-pointed.
PathResult ResolveImagePath(SweepPass& pass, const std::wstring& imagePath) {
  if (pass.mode != SweepMode::Probe) return ResolveFinalPath(imagePath);
  for (const ResolvedImage& resolved : pass.resolvedImages) {
    if (resolved.imagePath == imagePath) return PathResult{resolved.finalPath, ERROR_SUCCESS};
  }
  PathResult resolved = ResolveFinalPath(imagePath);
  if (!resolved.path.empty()) {
    pass.resolvedImages.push_back(ResolvedImage{imagePath, resolved.path});
  }
  return resolved;
}

TerminationOutcome Act(SweepPass& pass, const MatchedProcess& match) {
  const bool isMain = match.target.isMainExecutable;
  switch (pass.mode) {
    case SweepMode::Probe:
      Tally(pass.result, isMain);
      break;
    case SweepMode::Close:
      if (isMain) {
        const DWORD error = RequestClose(pass.user32, match.pid);
        if (error != ERROR_SUCCESS) {
          Fail(events::kCloseRequestFailed, match.pid, error, match.imagePath, pass.result);
        }
      }
      break;
    case SweepMode::TerminateHelpers:
      if (isMain) {
        Tally(pass.result, isMain);
        break;
      }
      [[fallthrough]];
    case SweepMode::TerminateAll:
      // The tool itself may be one of the targets (its file named as the main executable, or
      // copied to a helper's place). It never ends itself: the closing look counts it, so the
      // exit code says that it runs.
      if (match.pid == pass.ownPid) break;
      return TerminateMatchedProcess(match, pass.deadline, pass.result);
  }
  return TerminationOutcome::Continue;
}

// One snapshot entry against one target. Every failure is first weighed against the process
// having ended meanwhile: a process that has gone is never a failure.
TerminationOutcome ExaminePair(SweepPass& pass, DWORD pid, const std::wstring& entryName,
                               const TargetExecutable& target) {
  // The name test needs no access to the process: only namesakes of a target are opened.
  if (!EqualIgnoringCase(entryName, target.imageName)) return TerminationOutcome::Continue;

  UniqueHandle process(platform::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) {
    const DWORD error = platform::GetLastError();
    if (error == ERROR_INVALID_PARAMETER) return TerminationOutcome::Continue;  // pid is gone
    if (error == ERROR_ACCESS_DENIED && !ConfirmInaccessibleProcess(target.finalPath, pid)) {
      return TerminationOutcome::Continue;
    }
    Fail(events::kQueryOpenFailed, pid, error, entryName, pass.result);
    return TerminationOutcome::Continue;
  }
  if (HasExited(process.get())) return TerminationOutcome::Continue;

  const PathResult imagePath = QueryImagePath(process.get());
  if (imagePath.path.empty()) {
    if (HasExited(process.get())) return TerminationOutcome::Continue;
    if (imagePath.error == ERROR_ACCESS_DENIED &&
        !ConfirmInaccessibleProcess(target.finalPath, pid)) {
      return TerminationOutcome::Continue;
    }
    Fail(events::kQueryImageFailed, pid, imagePath.error, entryName, pass.result);
    return TerminationOutcome::Continue;
  }

  const PathResult resolved = ResolveImagePath(pass, imagePath.path);
  if (resolved.path.empty()) {
    if (HasExited(process.get())) return TerminationOutcome::Continue;
    if (ConfirmInaccessibleProcess(target.finalPath, pid)) {
      Fail(events::kQueryImagePathFailed, pid, resolved.error, imagePath.path, pass.result);
    }
    return TerminationOutcome::Continue;
  }
  // A namesake run from anywhere else is none of the installation's business.
  if (!EqualIgnoringCase(resolved.path, target.finalPath)) return TerminationOutcome::Continue;

  ReportEvent(events::kMatched, pid, 0, imagePath.path);
  return Act(pass, MatchedProcess{pid, target, process.get(), imagePath.path});
}

}  // namespace

ExitCode SweepProcesses(const TargetList& list, SweepMode mode) {
  if (list.empty()) return ExitCode::Success;

  UniqueHandle snapshot(platform::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) {
    ReportEvent(events::kSnapshotFailed, 0, platform::GetLastError(), std::wstring());
    return ExitCode::Failure;
  }
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (!platform::Process32FirstW(snapshot.get(), &entry)) {
    ReportEvent(events::kEnumerateFailed, 0, platform::GetLastError(), std::wstring());
    return ExitCode::Failure;
  }
  SweepPass pass{mode, platform::GetTickCount64() + kCleanupDeadlineMs,
                 platform::GetCurrentProcessId(), ExitCode::Success, WindowLibrary{}, {}};
  for (;;) {
    const DWORD pid = entry.th32ProcessID;
    const std::wstring entryName(entry.szExeFile, wcsnlen(entry.szExeFile, MAX_PATH));
    // Every target is tried for every entry: a main executable named like a helper is
    // examined once against each.
    for (const TargetExecutable& target : list) {
      if (ExaminePair(pass, pid, entryName, target) ==
          TerminationOutcome::DeadlinePassed) {
        return ExitCode::Failure;
      }
    }
    if (!platform::Process32NextW(snapshot.get(), &entry)) {
      const DWORD error = platform::GetLastError();
      if (error == ERROR_NO_MORE_FILES) return pass.result;
      ReportEvent(events::kEnumerateFailed, 0, error, std::wstring());
      return ExitCode::Failure;
    }
  }
}

}  // namespace procsweep
