#pragma once
#include "support/TempDir.h"

// While it lives, the account's data, cache and configuration directories (XDG_DATA_HOME,
// XDG_CACHE_HOME, XDG_CONFIG_HOME) of this process and of every program it starts lie in
// scratch directories: a test run neither reads the person's browser profile nor leaves
// anything in it. A test that needs other places sets them itself.
class ScratchDirectories {
 public:
  ScratchDirectories();

 private:
  TempDir root_;
};
