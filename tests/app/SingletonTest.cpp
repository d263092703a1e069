#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "pages/CommandDispatcher.h"

namespace {

// Registered before the singleton is created, so it runs after the singleton's own
// exit-time destruction (exit handlers run in reverse order).
void TouchAfterDestruction() {
  try {
    TheCommandDispatcher::Instance();
    std::fputs("no exception", stderr);
  } catch (const std::logic_error& e) {
    std::fputs(e.what(), stderr);
  }
  std::fflush(stderr);
  std::_Exit(3);
}

TEST(SingletonTest, AccessAfterDestructionThrowsDeadReference) {
  EXPECT_EXIT(
      {
        std::atexit(TouchAfterDestruction);
        CommandDispatcher& first = TheCommandDispatcher::Instance();
        if (&first != &TheCommandDispatcher::Instance()) std::_Exit(1);
        std::exit(0);
      },
      ::testing::ExitedWithCode(3), "Dead Reference Detected");
}

}  // namespace
