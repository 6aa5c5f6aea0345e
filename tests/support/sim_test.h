// The base of every unit test: a fresh simulated Windows, and after each test the proof that
// nothing was leaked or closed twice on whatever path the test took.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "report/report_event.h"
#include "support/simulated_windows.h"

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    procsweep::SetLogFilePath(L"");
  }
  void TearDown() override {
    const sim::World& world = sim::TheWorld();
    EXPECT_EQ(sim::OpenHandleCount(), 0u) << "a handle was leaked";
    EXPECT_EQ(world.badCloses, 0) << "a handle was closed twice or never opened";
    EXPECT_EQ(world.restartManager.loadedModules, 0) << "the library was not freed";
    EXPECT_EQ(world.libraries.user32.loadedModules, 0) << "USER32 was not freed";
    EXPECT_EQ(world.restartManager.sessionsStarted, world.restartManager.sessionsEnded)
        << "a Restart Manager session was not ended";
  }

  static int Run(std::initializer_list<std::wstring> arguments) {
    return static_cast<int>(procsweep::RunCommandLine(std::vector<std::wstring>(arguments)));
  }
  static std::vector<std::string> Lines() { return sim::StandardOutputLines(); }
  static sim::World& World() { return sim::TheWorld(); }
};
