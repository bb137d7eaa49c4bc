// Runs the unit tests with WINEPREFIX pointing at an empty prefix of their own, so that no drive
// letter can reach a real Wine prefix.
#include <stdlib.h>

#include <gtest/gtest.h>

#include "tests/support/tree.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const orlavex::test::fs::path prefix = orlavex::test::make_temp_directory("orlavex-prefix");
  setenv("WINEPREFIX", prefix.c_str(), 1);
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  orlavex::test::fs::remove_all(prefix, ignored);
  return result;
}
