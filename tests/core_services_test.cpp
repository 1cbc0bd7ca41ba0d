// Private heaps, count-prefixed arrays, narrow-text helpers, the name key and the log.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "core/name_key.h"
#include "core/private_heap.h"
#include "core/strings.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/text.h"
#include "shell/log.h"
#include "support/temp_directory.h"

namespace {

struct Record : HeapAllocated<Record> {
    int value = 7;
};

struct Throwing {
    static inline int built = 0;
    static inline int destroyed = 0;
    Throwing()
    {
        if (built == 2) throw std::runtime_error("third element fails");
        ++built;
    }
    ~Throwing() { ++destroyed; }
};

struct alignas(16) Wide {
    double a = 1.0, b = 2.0;
};

}  // namespace

TEST(CoreHeap, FailedAllocationsYieldNullAndKeepTheCount)
{
    platform::FailNextHeapCreates(1);
    EXPECT_EQ(new Record, nullptr);
    EXPECT_EQ(Record::Heap().LiveCount(), 0);

    Record* kept = new Record;
    platform::FailNextHeapAllocs(1);
    EXPECT_EQ(new Record, nullptr);
    EXPECT_EQ(Record::Heap().LiveCount(), 1);
    delete kept;

    SharedHeapFree(nullptr);  // no heap, null block: nothing happens
    EXPECT_EQ(SharedHeap().LiveCount(), 0);
}

TEST(CoreHeap, CountedArraysKeepTheirCountAndAlignment)
{
    PrivateHeap heap;
    auto* numbers = NewCountedArray<int>(heap, 5);
    ASSERT_NE(numbers, nullptr);
    EXPECT_EQ(CountedArraySize(numbers), 5u);

    auto* wide = NewCountedArray<Wide>(heap, 3);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(wide) % alignof(Wide), 0u);

    DeleteCountedArray(heap, numbers);
    DeleteCountedArray(heap, wide);
    EXPECT_FALSE(heap.Exists());
}

TEST(CoreHeap, OverflowingArraySizeYieldsNullNeverAShortBlock)
{
    PrivateHeap heap;
    EXPECT_EQ(NewCountedArray<Wide>(heap, 0x10000000u), nullptr);  // 16 x 2^28 overflows 32 bits
    EXPECT_EQ(NewCountedArray<char>(heap, 0xFFFFFFFFu), nullptr);  // + the header overflows
    EXPECT_EQ(heap.LiveCount(), 0);
}

TEST(CoreHeap, ThrowingConstructorDestroysBuiltElementsAndFreesTheBlock)
{
    PrivateHeap heap;
    Throwing::built = 0;
    Throwing::destroyed = 0;
    EXPECT_THROW(NewCountedArray<Throwing>(heap, 5), std::runtime_error);
    EXPECT_EQ(Throwing::destroyed, 2);
    EXPECT_EQ(heap.LiveCount(), 0);
    EXPECT_FALSE(heap.Exists());
}

TEST(CoreStrings, CompareFindTrimAndCopy)
{
    EXPECT_EQ(StrEqual("vesk", "vesk0"), 0);
    EXPECT_EQ(StrEqual(nullptr, "a"), 0);
    EXPECT_EQ(FindSubstring("abcabc", "ca"), 2);
    EXPECT_EQ(FindSubstring("ab", "abc"), -1);
    EXPECT_EQ(FindSubstring(nullptr, "a"), -1);

    char spaced[] = "  \t x";
    EXPECT_EQ(TrimLeadingSpace(spaced), 1);
    EXPECT_STREQ(spaced, "x");
    char high[] = "\xC3\xA4x";  // bytes of 128 and above stay
    EXPECT_EQ(TrimLeadingSpace(high), 3);
    EXPECT_EQ(TrimLeadingSpace(nullptr), -1);

    char target[8] = "zzzzzzz";
    EXPECT_EQ(CopyStringMax("abcdef", target, 3), 3);
    EXPECT_STREQ(target, "abc");
    std::strcpy(target, "keep");
    EXPECT_EQ(CopyStringMax("abc", target, 0), 0);
    EXPECT_STREQ(target, "keep");
    EXPECT_EQ(SharedHeap().LiveCount(), 0);
}

TEST(CoreNameKey, HashAndLowerCase)
{
    // Names typed as UTF-16 and as bytes are compared by these hashes.
    EXPECT_EQ(NameHash(u"abc"), NameHashBytes("abc"));
    EXPECT_EQ(NameHashBytes(nullptr), 0u);

    // Only A-Z fold: U+00C4 and units above 255 stay as they are.
    EXPECT_EQ(ToLowerWide(u"Default.FX\u00C4\u0410"), u"default.fx\u00C4\u0410");
}

TEST(CoreText, Utf8AndUtf16RoundTrip)
{
    const std::string text = "W\xC3\xA4lt \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB2";
    const std::u16string wide = platform::Utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 10u);  // the emoji is a surrogate pair
    EXPECT_EQ(platform::Utf16ToUtf8(wide), text);
    EXPECT_EQ(platform::Utf8ToUtf16("\xFF" "a"), u"\uFFFD" u"a");
    EXPECT_EQ(platform::Utf8ToUtf16("\xE6\x97"), u"\uFFFD\uFFFD");  // cut sequence
}

class CoreLog : public ::testing::Test {
protected:
    TempDirectory folder;
    ScopedStartDirectory start {folder.Path()};
};

TEST_F(CoreLog, ResetStampsTheFileAndEachWriteAddsOneLine)
{
    WriteLog(static_cast<const char*>(nullptr));
    EXPECT_FALSE(platform::FileExists(folder.File("game.log"))) << "null text creates no file";
    platform::SetTimeSource([] { return std::time_t {0}; });
    ResetLog();
    platform::SetTimeSource(nullptr);
    EXPECT_EQ(folder.Read("game.log"), "Thu Jan  1 00:00:00 1970\n\n");

    WriteLog("DXInput...ok");
    WriteLog(u"Error: WinMain");
    WriteLog(static_cast<const char*>(nullptr));
    EXPECT_EQ(folder.Read("game.log"), "Thu Jan  1 00:00:00 1970\n\nDXInput...ok\nError: WinMain\n");
}
