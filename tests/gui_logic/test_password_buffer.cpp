#include "password_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Step {
    long start;
    long end;
    const char* inserted;  // null: a deletion
    bool allowed;
};

struct EditCase {
    const char* name;
    const char* before;
    std::vector<Step> steps;
    const char* after;
};

// The buffer lies inside a larger block whose tail must never be written.
struct GuardedBuffer {
    static constexpr size_t kSize = 11;
    char block[kSize + 8];
    GuardedBuffer(const char* text)
    {
        std::memset(block, 0x7f, sizeof block);
        std::memset(block, 0, kSize);
        std::memcpy(block, text, std::strlen(text));
    }
    bool guard_intact() const
    {
        for (size_t i = kSize; i < sizeof block; ++i) {
            if (block[i] != 0x7f)
                return false;
        }
        return true;
    }
};

TEST(PasswordBufferTest, EditsKeepExactlyWhatWasTyped)
{
    const EditCase cases[] = {
        {"typing", "", {{0, 0, "a", true}, {1, 1, "b", true}, {2, 2, "c", true}}, "abc"},
        {"backspace at the end", "abc", {{2, 3, nullptr, true}}, "ab"},
        {"delete at the front", "abc", {{0, 1, nullptr, true}}, "bc"},
        {"delete in the middle", "abcdef", {{2, 4, "", true}}, "abef"},
        {"insert in the middle", "abc", {{1, 1, "Z", true}}, "aZbc"},
        {"insert at the front", "abc", {{0, 0, "Z", true}}, "Zabc"},
        {"paste", "", {{0, 0, "hello", true}}, "hello"},
        {"replace a selection", "abcdef", {{1, 4, "Q", true}}, "aQef"},
        {"replace a selection by a paste", "abcdef", {{1, 3, "xyz", true}}, "axyzdef"},
        {"type, delete, type",
         "",
         {{0, 0, "a", true},
          {1, 1, "b", true},
          {2, 2, "c", true},
          {2, 3, nullptr, true},
          {2, 2, "d", true}},
         "abd"},
        {"ten characters", "abcdefghi", {{9, 9, "j", true}}, "abcdefghij"},
        {"an eleventh is refused", "abcdefghij", {{10, 10, "k", false}}, "abcdefghij"},
        {"a paste past ten is refused whole", "abcdefgh", {{8, 8, "xyz", false}}, "abcdefgh"},
        {"a replacement that stays at ten", "abcdefghij", {{2, 4, "XY", true}}, "abXYefghij"},
        {"a replacement past ten", "abcdefghij", {{2, 4, "XYZ", false}}, "abcdefghij"},
        {"start past the text", "abc", {{4, 4, "x", false}}, "abc"},
        {"end past the text", "abc", {{1, 5, nullptr, false}}, "abc"},
        {"start after end", "abc", {{2, 1, "x", false}}, "abc"},
        {"negative start", "abc", {{-1, 1, nullptr, false}}, "abc"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedBuffer buffer(c.before);
        for (const Step& s : c.steps) {
            const long length =
                s.inserted != nullptr ? static_cast<long>(std::strlen(s.inserted)) : 0;
            PasswordEdit edit = password_buffer_edit(buffer.block, GuardedBuffer::kSize, s.start,
                                                     s.end, s.inserted, length);
            EXPECT_EQ(edit.allowed, s.allowed);
            // One "X" for every character the field is to show.
            EXPECT_EQ(edit.shown, s.allowed ? std::string(static_cast<size_t>(length), 'X') : "");
        }
        EXPECT_STREQ(buffer.block, c.after);
        EXPECT_TRUE(buffer.guard_intact());
    }
}

TEST(PasswordBufferTest, InsertionWithNulIsRefused)
{
    GuardedBuffer buffer("ab");
    const char inserted[] = {'x', '\0', 'y'};
    EXPECT_FALSE(
        password_buffer_edit(buffer.block, GuardedBuffer::kSize, 2, 2, inserted, 3).allowed);
    EXPECT_STREQ(buffer.block, "ab");
}

TEST(PasswordBufferTest, SmallBufferHoldsWhatFitsAndNoMore)
{
    // The capacity is the buffer's, never more than ten characters.
    char block[8];
    std::memset(block, 0x7f, sizeof block);
    std::memset(block, 0, 4);
    EXPECT_TRUE(password_buffer_edit(block, 4, 0, 0, "abc", 3).allowed);
    EXPECT_FALSE(password_buffer_edit(block, 4, 3, 3, "d", 1).allowed);
    EXPECT_STREQ(block, "abc");
    for (size_t i = 4; i < sizeof block; ++i)
        EXPECT_EQ(block[i], 0x7f);
    EXPECT_FALSE(password_buffer_edit(block, 0, 0, 0, "a", 1).allowed);
    EXPECT_FALSE(password_buffer_edit(nullptr, 11, 0, 0, "a", 1).allowed);
}

TEST(PasswordBufferTest, SetCutsToCapacityAndClearEmpties)
{
    // A 14-byte user-data buffer still holds ten characters at most.
    char block[14];
    std::memset(block, 0x7f, sizeof block);
    EXPECT_EQ(password_buffer_set(block, sizeof block, "0123456789abc"), 10u);
    EXPECT_STREQ(block, "0123456789");
    EXPECT_EQ(password_buffer_set(block, sizeof block, "pw"), 2u);
    EXPECT_STREQ(block, "pw");
    EXPECT_EQ(password_buffer_set(block, sizeof block, nullptr), 0u);
    EXPECT_STREQ(block, "");
    password_buffer_set(block, sizeof block, "secret");
    password_buffer_clear(block, sizeof block);
    EXPECT_STREQ(block, "");
    EXPECT_TRUE(password_buffer_edit(block, sizeof block, 0, 0, "n", 1).allowed);
    EXPECT_STREQ(block, "n");
}

}  // namespace
