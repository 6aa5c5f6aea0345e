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

// The one leak check: no handle, library or Restart Manager session left open, nothing closed
// twice. Every test ends with it, and so does every case of a table before the next starts.
inline void ExpectNothingLeftOpen() {
  for (const std::string& fault : sim::LeftOpen()) ADD_FAILURE() << fault;
}

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { ExpectNothingLeftOpen(); }

  // A case of a table starts in a fresh world, once the previous one is shown to have left
  // nothing open.
  static void Fresh() {
    ExpectNothingLeftOpen();
    Start();
  }

  static int Run(std::initializer_list<std::wstring> arguments) {
    return static_cast<int>(procsweep::RunCommandLine(std::vector<std::wstring>(arguments)));
  }
  static std::vector<std::string> Lines() { return sim::StandardOutputLines(); }
  static sim::World& World() { return sim::TheWorld(); }

 private:
  static void Start() {
    sim::Reset();
    procsweep::SetLogFilePath(L"");
  }
};
