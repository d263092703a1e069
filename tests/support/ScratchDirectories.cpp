#include "support/ScratchDirectories.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

ScratchDirectories::ScratchDirectories() {
  for (const char* variable : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
    const std::string dir = root_ / variable;
    mkdir(dir.c_str(), 0700);
    setenv(variable, dir.c_str(), 1);
  }
}
