// Display names of input codes: every name fits the caller's buffer, and a
// code without a name leaves the buffer as it was.
#include <gtest/gtest.h>

#include <cstring>

#include "ui/input_code_names.h"

TEST(InputCodeNames, EveryNameIsShortUpperCaseAsciiAndUnnamedCodesWriteNothing)
{
    for (int32_t code = -5; code <= 2100; ++code) {
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        if (!InputCodeName(buffer, code)) {
            for (const char c : buffer) ASSERT_EQ(c, '#') << "code " << code;
            continue;
        }
        const size_t length = strnlen(buffer, sizeof buffer);
        ASSERT_GT(length, 0u) << code;
        ASSERT_LE(length, 10u) << code;
        for (size_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(buffer[i]);
            ASSERT_TRUE(c >= 32 && c < 127 && !(c >= 'a' && c <= 'z')) << "code " << code << ": " << buffer;
        }
    }
}
