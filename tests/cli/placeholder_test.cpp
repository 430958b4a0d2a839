#include <gtest/gtest.h>
TEST(Cli, Builds) { SUCCEED(); }
