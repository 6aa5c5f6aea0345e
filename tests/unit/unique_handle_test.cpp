#include "common/unique_handle.h"

#include "support/sim_test.h"

using procsweep::UniqueHandle;

class UniqueHandleTest : public SimTest {
 protected:
  static HANDLE OpenSomething() {
    sim::AddFile(L"C:\\Data\\file.txt");
    return platform::CreateFileW(L"C:\\Data\\file.txt", FILE_READ_ATTRIBUTES, 7, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  }
};

TEST_F(UniqueHandleTest, ClosesItsHandleOnceWhenDestroyed) {
  { UniqueHandle handle(OpenSomething()); }
  EXPECT_EQ(World().calls["CloseHandle"], 1);
}

TEST_F(UniqueHandleTest, NeverClosesNullOrInvalidHandles) {
  { UniqueHandle none; }
  { UniqueHandle invalid(INVALID_HANDLE_VALUE); }
  { UniqueHandle null(nullptr); }
  EXPECT_EQ(World().calls["CloseHandle"], 0);
  EXPECT_FALSE(UniqueHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(UniqueHandle(nullptr));
}

TEST_F(UniqueHandleTest, MovingHandsOverOwnership) {
  UniqueHandle first(OpenSomething());
  UniqueHandle second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_TRUE(second);
  UniqueHandle third;
  third = std::move(second);
  EXPECT_TRUE(third);
  third.reset();
  EXPECT_EQ(World().calls["CloseHandle"], 1);
}

TEST_F(UniqueHandleTest, ReleaseGivesUpOwnership) {
  UniqueHandle handle(OpenSomething());
  HANDLE raw = handle.release();
  EXPECT_FALSE(handle);
  EXPECT_EQ(World().calls["CloseHandle"], 0);
  platform::CloseHandle(raw);
}

// A caller may let a handle go out of scope between a failed call and reading its error.
TEST_F(UniqueHandleTest, ClosingKeepsTheLastError) {
  {
    UniqueHandle handle(OpenSomething());
    platform::SetLastError(ERROR_SHARING_VIOLATION);
  }
  EXPECT_EQ(platform::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  UniqueHandle other(OpenSomething());
  platform::SetLastError(ERROR_ACCESS_DENIED);
  other.reset();
  EXPECT_EQ(platform::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}
