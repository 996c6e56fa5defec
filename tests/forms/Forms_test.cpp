#include <gtest/gtest.h>
TEST(Forms, Placeholder) { SUCCEED(); }
