#include <gtest/gtest.h>

#include "support/ScratchDirectories.h"

int main(int argc, char** argv) {
  ScratchDirectories scratch;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
