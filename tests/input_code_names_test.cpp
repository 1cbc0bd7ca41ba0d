// Display names of input codes: the edges of every range, and what a code
// without a name leaves in the caller's buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/input_code_names.h"

namespace {

// The name, or "<none>" when the code has none.
std::string NameOf(int32_t code)
{
    char buffer[64] = {};
    return InputCodeName(buffer, code) ? std::string(buffer) : std::string("<none>");
}

}  // namespace

TEST(InputCodeNames, EdgesOfEveryRange)
{
    const std::pair<int32_t, const char*> cases[] = {
        {-2, "<none>"},   {-1, "???"},      {7, "<none>"},     {8, "BACKSPACE"}, {43, "<none>"},  {45, "INSERT"},
        {90, "Z"},        {94, "<none>"},   {126, "F15"},      {127, "<none>"},  {223, "<none>"}, {1023, "<none>"},
        {1024, "X+"},     {1055, "S1-+"},   {1063, "P0 315"},  {1064, "<none>"}, {1343, "B63"},   {1344, "<none>"},
        {2048, "MX+"},    {2061, "MB7"},    {2062, "<none>"},
    };
    for (const auto& [code, name] : cases) EXPECT_EQ(NameOf(code), name) << "code " << code;
}

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
