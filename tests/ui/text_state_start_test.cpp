// The text state as the program starts, before any reset: glyphs must lie inside the 2-D
// preset's depth range (near plane 1), or every text drawn through the standard view vanishes.
#include <gtest/gtest.h>

#include <memory>

#include "ui/font.h"

TEST(TextStateAtStart, PenDepthIsTheTextDepth)
{
    auto fresh = std::make_unique<TextState>();
    EXPECT_FLOAT_EQ(fresh->penZ, TEXT_DEPTH);
    EXPECT_GE(fresh->penZ, 1.0f);
}
