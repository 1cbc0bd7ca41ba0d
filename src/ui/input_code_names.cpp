// Display names of input codes. The code ranges: keys below 256 (Windows
// virtual-key codes), 1024-1055 controller axes, 1056-1111 hats, 1280-1343
// controller buttons, 2048-2061 the mouse. Every name is plain upper-case
// ASCII of at most 10 characters.
#include "ui/input_code_names.h"

#include <cstdio>

namespace {

// Keys whose name is not the character itself, by virtual-key code.
struct KeyName {
    int32_t code;
    const char* name;
};
constexpr KeyName kKeyNames[] = {
    {8, "BACKSPACE"}, {32, "SPACE"},     {33, "PGUP"},     {34, "PGDOWN"},   {35, "END"},     {36, "HOME"},
    {37, "LEFT"},     {38, "UP"},        {39, "RIGHT"},    {40, "DOWN"},     {41, "SELECT"},  {42, "PRINT"},
    {45, "INSERT"},   {46, "DELETE"},    {91, "LWIN"},     {92, "RWIN"},     {93, "APPS"},    {106, "MUL"},
    {107, "ADD"},     {108, "SEPARATOR"}, {109, "SUBTRACT"}, {110, "DECIMAL"}, {111, "DIVIDE"}, {186, "SEMIC"},
    {187, "+"},       {188, "COMMA"},    {189, "-"},       {190, "PERIOD"},  {191, "SLASH"},  {192, "GRAVE"},
    {219, "LBRACKET"}, {220, "BSLASH"},  {221, "RBRACKET"}, {222, "APOSTR"},
};

constexpr const char* kAxisNames[8] = {"X", "Y", "Z", "RX", "RY", "RZ", "S0", "S1"};

constexpr const char* kMouseNames[14] = {"MX+", "MX-", "MY+", "MY-", "MZ+", "MZ-", "LB",
                                         "RB",  "MB",  "MB3", "MB4", "MB5", "MB6", "MB7"};

// The callers' buffers hold at least 64 bytes; the longest name needs 11.
constexpr size_t kNameBytes = 64;

int Write(char* buffer, const char* name)
{
    std::snprintf(buffer, kNameBytes, "%s", name);
    return 1;
}

// A name made of a prefix, a number and an optional suffix.
int Write(char* buffer, const char* prefix, int number, const char* suffix = "")
{
    std::snprintf(buffer, kNameBytes, "%s%d%s", prefix, number, suffix);
    return 1;
}

}  // namespace

int InputCodeName(char* buffer, int32_t code)
{
    if (!buffer) return 0;
    if (code == -1) return Write(buffer, "???");

    for (const KeyName& key : kKeyNames)
        if (key.code == code) return Write(buffer, key.name);
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
        const char name[2] = {static_cast<char>(code), 0};
        return Write(buffer, name);
    }
    if (code >= 96 && code <= 105) return Write(buffer, "NUM", code - 96);
    if (code >= 112 && code <= 126) return Write(buffer, "F", code - 111);

    if (code >= 1024 && code <= 1055) {
        const int index = code - (code >= 1040 ? 1040 : 1024);
        const char* direction = code >= 1040 ? (index % 2 ? "-+" : "+-") : (index % 2 ? "-" : "+");
        char name[8] = {};
        std::snprintf(name, sizeof name, "%s%s", kAxisNames[index / 2], direction);
        return Write(buffer, name);
    }
    if (code >= 1056 && code <= 1111) {
        const int hat = (code - 1056) / 16;
        const int direction = (code - 1056) % 16;
        if (direction > 7) return 0;
        char prefix[8] = {};
        std::snprintf(prefix, sizeof prefix, "P%d ", hat);
        return Write(buffer, prefix, direction * 45);
    }
    if (code >= 1280 && code <= 1343) return Write(buffer, "B", code - 1280);
    if (code >= 2048 && code <= 2061) return Write(buffer, kMouseNames[code - 2048]);
    return 0;
}
