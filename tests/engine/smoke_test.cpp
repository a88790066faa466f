#include <gtest/gtest.h>
#include "engine/helpers.h"
TEST(Smoke, Builds) { EXPECT_EQ(ISqrt(16), 4u); }
