#include "table_position.h"

#include <cstring>

#include "field_text.h"
#include "list.h"

long table_position_read(const char* text)
{
    long number = 0;
    if (!field_nonzero_number(text, &number))
        return -1;
    // A negative number stays below 0 and is refused by the range check.
    return number < 0 ? -1 : number - 1;
}

bool table_position_valid(long index, int listed, bool adding)
{
    if (index < 0 || listed < 0)
        return false;
    return adding ? index <= listed : index < listed;
}

std::string table_position_text(long index)
{
    return std::to_string(index + 1);
}

int table_position_store(ListObject* list, int listed, int edit_position, const void* record,
                         size_t size, long index)
{
    if (list == nullptr || record == nullptr || listed < 0 || listed > list->count)
        return 0;
    const bool adding = edit_position == 0;
    if (!table_position_valid(index, listed, adding))
        return 0;
    const int position = static_cast<int>(index) + 1;

    if (adding) {
        void* element = list->copy(record);
        return list->ops->list_insert_at(list, element, position);
    }
    if (edit_position < 1 || edit_position > listed)
        return 0;
    ListNode* node = list->ops->list_get_at(list, edit_position);
    if (node == nullptr || node->element == nullptr)
        return 0;
    void* element = node->element;
    std::memcpy(element, record, size);
    if (position == edit_position)
        return position;
    // Detach the node but keep its element, then put the element back.
    node->element = nullptr;
    list->ops->list_remove_at(list, edit_position);
    return list->ops->list_insert_at(list, element, position);
}
