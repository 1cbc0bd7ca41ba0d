// Starting another program without waiting for it.
#include <gtest/gtest.h>

#include "platform/process.h"

TEST(ProcessStart, StartsAProgramAndReturnsItsIdAtOnceOrFailsForAMissingOne)
{
    EXPECT_GT(platform::StartProcess("/bin/true", {"--ignored"}), 0);
    EXPECT_EQ(platform::StartProcess("/nonexistent/vesk-update", {}), -1);
    EXPECT_EQ(platform::StartProcess("", {}), -1);
}
