#include "message_tables.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#define ENGLISH_TEXT(name, english, german) english,
#define GERMAN_TEXT(name, english, german) german,

const char* const e_messages[MESSAGE_COUNT] = {MESSAGE_TABLE(ENGLISH_TEXT)};
const char* const g_messages[MESSAGE_COUNT] = {MESSAGE_TABLE(GERMAN_TEXT)};

const char* const e_added_texts[ADDED_TEXT_COUNT] = {ADDED_TEXT_TABLE(ENGLISH_TEXT)};
const char* const g_added_texts[ADDED_TEXT_COUNT] = {ADDED_TEXT_TABLE(GERMAN_TEXT)};

#undef ENGLISH_TEXT
#undef GERMAN_TEXT

static_assert(std::size(e_messages) == MESSAGE_COUNT && std::size(g_messages) == MESSAGE_COUNT,
              "both languages hold every message");
static_assert(std::size(e_added_texts) == ADDED_TEXT_COUNT &&
                  std::size(g_added_texts) == ADDED_TEXT_COUNT,
              "both languages hold every added text");

const char* const* messages = e_messages;

void messages_choose_language(const char* register_label)
{
    messages = (register_label && std::strcmp(register_label, GERMAN_REGISTER_LABEL) == 0)
                   ? g_messages
                   : e_messages;
}

const char* message_text(int n)
{
    if (n < 0 || n >= MESSAGE_COUNT)
        return "";
    return messages[n];
}

const char* added_text(AddedText t)
{
    const int n = static_cast<int>(t);
    if (n < 0 || n >= ADDED_TEXT_COUNT)
        return "";
    return messages == g_messages ? g_added_texts[n] : e_added_texts[n];
}

static std::string vformat(const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    char small[256];
    int need = std::vsnprintf(small, sizeof small, format, args);
    if (need < 0) {
        va_end(again);
        return std::string();
    }
    if (static_cast<size_t>(need) < sizeof small) {
        va_end(again);
        return std::string(small, static_cast<size_t>(need));
    }
    std::vector<char> big(static_cast<size_t>(need) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    va_end(again);
    return std::string(big.data(), static_cast<size_t>(need));
}

std::string message_format(int n, ...)
{
    va_list args;
    va_start(args, n);
    std::string text = vformat(message_text(n), args);
    va_end(args);
    return text;
}

std::string added_format(AddedText t, ...)
{
    va_list args;
    va_start(args, t);
    std::string text = vformat(added_text(t), args);
    va_end(args);
    return text;
}

std::string text_format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    return text;
}
