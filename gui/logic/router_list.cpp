#include "router_list.h"

#include <algorithm>
#include <cstring>

#include "list.h"
#include "message_tables.h"
#include "myutil.h"

std::string router_hw_text(const uint8_t hw[6])
{
    return text_format("%02x-%02x-%02x-%02x-%02x-%02x", hw[0], hw[1], hw[2], hw[3], hw[4], hw[5]);
}

std::string router_list_line(const char* hw_text, const char* name, bool held_by_other)
{
    return held_by_other ? text_format("(%s      %s)", hw_text, name)
                         : text_format(" %s      %s ", hw_text, name);
}

bool router_held_by_other(uint32_t holder_ip, uint32_t own_ip)
{
    return holder_ip != 0 && holder_ip != own_ip;
}

ScanMerge router_list_merge(const ScanAnswer& answer, uint32_t own_ip,
                            const std::vector<std::string>& lines, std::string* line,
                            RouterEntry* entry)
{
    if (answer.status != 0)
        return ScanMerge::END;

    char name[HOST_LEN + 1] = "";
    if (answer.router_ip == 0)
        myutil_copy_text(name, ROUTER_NO_ADDRESS_NAME);
    else
        myutil_get_host_name(answer.router_ip, name);
    std::string hw = router_hw_text(answer.hw);

    // The scan is broadcast three times, so every router answers more than
    // once; only an answer that reads differently earns a line of its own.
    std::string text =
        router_list_line(hw.c_str(), name, router_held_by_other(answer.holder_ip, own_ip));
    if (std::find(lines.begin(), lines.end(), text) != lines.end())
        return ScanMerge::IGNORE;

    *line = text;
    *entry = RouterEntry{};
    myutil_copy_text(entry->name, name);
    myutil_copy_text(entry->hw_text, hw.c_str());
    entry->held = answer.holder_ip != 0 ? 1 : 0;
    char holder[HOST_LEN + 1] = "";
    myutil_get_host_name(answer.holder_ip, holder);
    myutil_copy_text(entry->holder, holder);
    return ScanMerge::APPEND;
}

int helpfunc_split_list_item(const char* item, char* name, size_t name_size, char* hw_text,
                             size_t hw_size)
{
    if (item == nullptr || item[0] == '(')
        return 0;
    auto next_word = [](const char*& p, char* out, size_t size) {
        while (*p == ' ')
            ++p;
        const char* start = p;
        while (*p != '\0' && *p != ' ')
            ++p;
        size_t length = static_cast<size_t>(p - start);
        if (size == 0)
            return;
        length = std::min(length, size - 1);
        std::memcpy(out, start, length);
        out[length] = '\0';
    };
    const char* p = item;
    next_word(p, hw_text, hw_size);
    next_word(p, name, name_size);
    return 1;
}

namespace {

// -1 for a character that is no digit of the hardware-address texts.
int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

int helpfunc_hex_pair(const char* text)
{
    int high = hex_digit(text[0]);
    if (high < 0)
        high = 0;
    int low = text[0] != '\0' ? hex_digit(text[1]) : -1;
    if (low < 0)
        low = 0;
    return high * 16 + low;
}

void helpfunc_atohw(const char* text, uint8_t hw[6])
{
    size_t length = std::strlen(text);
    for (int i = 0; i < 6; ++i) {
        size_t at = static_cast<size_t>(i) * 3;
        hw[i] = at < length ? static_cast<uint8_t>(helpfunc_hex_pair(text + at)) : 0;
    }
}

void helpfunc_reset_routerstates(ListObject* routers)
{
    if (routers == nullptr)
        return;
    for (ListNode* node = routers->head; node != nullptr; node = node->next) {
        auto* entry = static_cast<RouterEntry*>(node->element);
        if (entry == nullptr)
            continue;
        entry->have_state = 0;
        entry->ch1_state = 0;
        entry->ch2_state = 0;
        entry->ch1_peer[0] = '\0';
        entry->ch1_phone[0] = '\0';
        entry->ch2_peer[0] = '\0';
        entry->ch2_phone[0] = '\0';
    }
}
