#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/TempDir.h"

// Every test program, and every program it starts, keeps what it writes under the
// account's data, cache and configuration directories (the browser profile, the engine's
// caches) in scratch directories of its own: a run neither reads the person's profile nor
// leaves anything in it. A test that needs other places sets them itself.
int main(int argc, char** argv) {
  TempDir scratch;
  for (const char* variable : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
    const std::string dir = scratch / variable;
    mkdir(dir.c_str(), 0700);
    setenv(variable, dir.c_str(), 1);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
