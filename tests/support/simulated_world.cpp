// The simulated world itself: call counting and scheduled events, the thread's last error, and
// the one handle table that kernel handles and loaded modules share.
#include "support/simulated_internals.h"

namespace sim {
namespace {

World* g_world = nullptr;

}  // namespace

World& TheWorld() {
  if (g_world == nullptr) g_world = new World();
  return *g_world;
}

void Reset() {
  delete g_world;
  g_world = new World();
}

void Enter(const char* function) {
  World& world = TheWorld();
  const int count = ++world.calls[function];
  auto range = world.scheduled.equal_range({function, count});
  std::vector<std::function<void()>> actions;
  for (auto it = range.first; it != range.second; ++it) actions.push_back(it->second);
  for (auto& action : actions) action();
}

void Succeed() { TheWorld().lastError = kStaleError; }
void Fail(DWORD error) { TheWorld().lastError = error; }

void At(const std::string& function, int nth, std::function<void()> action) {
  TheWorld().scheduled.emplace(std::make_pair(function, nth), std::move(action));
}

HANDLE NewHandle(HandleEntry entry) {
  World& world = TheWorld();
  HANDLE handle = reinterpret_cast<HANDLE>(world.nextHandle);
  world.nextHandle += 4;
  world.handles.emplace(handle, std::move(entry));
  return handle;
}

HandleEntry* FindHandle(HANDLE handle, HandleKind kind) {
  auto it = TheWorld().handles.find(handle);
  if (it == TheWorld().handles.end() || it->second.kind != kind) return nullptr;
  return &it->second;
}

size_t OpenHandleCount() { return TheWorld().handles.size(); }

std::vector<std::string> LeftOpen() {
  const World& world = TheWorld();
  size_t kernelHandles = 0;
  bool moduleLoaded = false;
  for (const auto& [handle, entry] : world.handles) {
    if (entry.kind == HandleKind::Module) {
      moduleLoaded = true;
    } else {
      ++kernelHandles;
    }
  }
  std::vector<std::string> faults;
  if (kernelHandles != 0) faults.push_back(std::to_string(kernelHandles) + " handle(s) left open");
  if (world.badCloses != 0) faults.push_back("a handle was closed twice or never opened");
  if (moduleLoaded) faults.push_back("a library was not freed");
  if (world.restartManager.sessionsStarted != world.restartManager.sessionsEnded) {
    faults.push_back("a Restart Manager session was not ended");
  }
  return faults;
}

}  // namespace sim

namespace platform {

DWORD GetLastError() { return TheWorld().lastError; }
void SetLastError(DWORD error) { TheWorld().lastError = error; }

BOOL CloseHandle(HANDLE handle) {
  Enter("CloseHandle");
  sim::World& world = TheWorld();
  auto it = world.handles.find(handle);
  // A module is no kernel object: only FreeLibrary lets it go.
  if (it == world.handles.end() || it->second.kind == sim::HandleKind::Module) {
    ++world.badCloses;
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  world.handles.erase(it);
  Succeed();
  return TRUE;
}

}  // namespace platform
