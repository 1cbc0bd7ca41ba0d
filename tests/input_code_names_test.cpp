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
        {-2, "<none>"},     {-1, "???"},       {0, "<none>"},     {7, "<none>"},     {8, "BACKSPACE"},
        {9, "<none>"},      {13, "<none>"},    {16, "<none>"},    {27, "<none>"},    {32, "SPACE"},
        {33, "PGUP"},       {40, "DOWN"},      {42, "PRINT"},     {43, "<none>"},    {45, "INSERT"},
        {46, "DELETE"},     {47, "<none>"},    {48, "0"},         {57, "9"},         {58, "<none>"},
        {64, "<none>"},     {65, "A"},         {90, "Z"},         {91, "LWIN"},      {93, "APPS"},
        {94, "<none>"},     {95, "<none>"},    {96, "NUM0"},      {105, "NUM9"},     {106, "MUL"},
        {108, "SEPARATOR"}, {111, "DIVIDE"},   {112, "F1"},       {126, "F15"},      {127, "<none>"},
        {185, "<none>"},    {186, "SEMIC"},    {187, "+"},        {189, "-"},        {192, "GRAVE"},
        {193, "<none>"},    {218, "<none>"},   {219, "LBRACKET"}, {222, "APOSTR"},   {223, "<none>"},
        {1023, "<none>"},   {1024, "X+"},      {1025, "X-"},      {1035, "RZ-"},     {1039, "S1-"},
        {1040, "X+-"},      {1041, "X-+"},     {1055, "S1-+"},    {1056, "P0 0"},    {1057, "P0 45"},
        {1063, "P0 315"},   {1064, "<none>"},  {1071, "<none>"},  {1072, "P1 0"},    {1096, "<none>"},
        {1103, "<none>"},   {1104, "P3 0"},    {1111, "P3 315"},  {1112, "<none>"},  {1279, "<none>"},
        {1280, "B0"},       {1343, "B63"},     {1344, "<none>"},  {2047, "<none>"},  {2048, "MX+"},
        {2053, "MZ-"},      {2054, "LB"},      {2056, "MB"},      {2057, "MB3"},     {2061, "MB7"},
        {2062, "<none>"},
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
