#include <gtest/gtest.h>
TEST(Mp4Index, Placeholder) {}
