#include "accounting_text.h"

#include "list.h"
#include "message_tables.h"

namespace {

// The message's "%ld" conversions take a long; a long holds every unsigned
// 32-bit value on this platform, so no counter turns negative.
static_assert(sizeof(long) > sizeof(uint32_t), "counters must fit a long");
long counter(uint32_t value)
{
    return static_cast<long>(value);
}

}  // namespace

std::string accounting_entry_text(const LineTarget& line)
{
    const AccountingCounters& c = line.counters;
    return message_format(MSG_ACCOUNTING_ENTRY, line.host, line.phone, counter(c.calls_in),
                          counter(c.calls_out), counter(c.packets_in), counter(c.packets_out),
                          counter(c.bytes_in), counter(c.bytes_out), counter(c.charge));
}

std::string accounting_text(const ListObject* lines, int (*doubtful)(int position))
{
    std::string text;
    if (lines == nullptr)
        return text;
    int position = 0;
    for (const ListNode* node = lines->head; node != nullptr; node = node->next, ++position) {
        if (node->element == nullptr)
            continue;
        const auto& line = *static_cast<const LineTarget*>(node->element);
        if (doubtful != nullptr && doubtful(position))
            text += added_format(AddedText::CountersDoubtful, line.host, line.phone);
        else
            text += accounting_entry_text(line);
    }
    return text;
}

bool accounting_needs_busy_notice(const ListObject* lines)
{
    return lines != nullptr && lines->count > ACCOUNTING_QUIET_LINES;
}
