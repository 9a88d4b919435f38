// The list class: operation table, class object and the spare-node pool.
//
// The class object doubles as the always-empty list, and a copy of it carries
// no element functions. Such a list never takes an element (it could neither
// copy nor compare it); the refused element is released, since a list owns
// what it is given. Missing element functions otherwise mean: never equal,
// never found, released with the standard free.
#include "list.h"

#include <cstdio>
#include <cstdlib>

#include "myutil.h"

ListOps* list_send = nullptr;
ListObject* list_object_instance = nullptr;

namespace {

// Released nodes, most recent first; they are never given back to the system.
ListNode* spare_nodes = nullptr;
int spare_count = 0;

ListNode* take_node(void* element)
{
    ListNode* node = spare_nodes;
    if (node != nullptr) {
        spare_nodes = node->next;
        --spare_count;
    } else {
        node = static_cast<ListNode*>(myutil_malloc(sizeof(ListNode)));
    }
    node->element = element;
    node->next = nullptr;
    return node;
}

void release_node(ListNode* node)
{
    node->element = nullptr;
    node->next = spare_nodes;
    spare_nodes = node;
    ++spare_count;
}

void free_element(const ListObject* list, void* element)
{
    if (element == nullptr)
        return;
    if (list->free != nullptr) {
        list->free(element);
    } else {
        std::free(element);
    }
}

bool matches(const ListObject* list, ListNode* node, const void* key)
{
    return list->find != nullptr && list->find(node, key) != 0;
}

// False (and the element released) when the list cannot hold elements.
bool accepts(ListObject* list, void* element)
{
    if (list == nullptr) {
        std::free(element);
        return false;
    }
    if (list == list_object_instance || list->copy == nullptr) {
        free_element(list, element);
        return false;
    }
    return true;
}

// Links `node` in front of `before` (whose predecessor is `prev`), or at the
// end when `before` is null.
void link_before(ListObject* list, ListNode* prev, ListNode* before, ListNode* node)
{
    node->next = before;
    if (prev == nullptr) {
        list->head = node;
    } else {
        prev->next = node;
    }
    if (before == nullptr)
        list->tail = node;
    ++list->count;
}

void unlink(ListObject* list, ListNode* prev, ListNode* node)
{
    if (prev == nullptr) {
        list->head = node->next;
    } else {
        prev->next = node->next;
    }
    if (list->tail == node)
        list->tail = prev;
    --list->count;
}

ListObject* op_create(ListObject*, ListCompareFn compare, ListFindFn find, ListCopyFn copy,
                      ListFreeFn free_fn)
{
    if (list_send == nullptr) {
        std::printf("Class list not initialised \n");
        std::fflush(stdout);
        std::abort();
    }
    ListObject* list = static_cast<ListObject*>(myutil_malloc(sizeof(ListObject)));
    list->ops = list_send;
    list->head = nullptr;
    list->tail = nullptr;
    list->count = 0;
    list->compare = compare;
    list->find = find;
    list->copy = copy;
    list->free = free_fn;
    return list;
}

void op_destroy(ListObject* list)
{
    if (list == nullptr || list == list_object_instance)
        return;
    ListNode* node = list->head;
    while (node != nullptr) {
        ListNode* next = node->next;
        free_element(list, node->element);
        release_node(node);
        node = next;
    }
    std::free(list);
}

ListObject* op_append(ListObject* list, void* element);

ListObject* op_copy(ListObject* list)
{
    if (list == nullptr)
        return nullptr;
    ListObject* copy =
        list_send->list_create(list, list->compare, list->find, list->copy, list->free);
    if (list->copy == nullptr)
        return copy;  // holds no elements by construction
    for (ListNode* node = list->head; node != nullptr; node = node->next) {
        op_append(copy, node->element != nullptr ? list->copy(node->element) : nullptr);
    }
    return copy;
}

int op_remove_key(ListObject* list, const void* key)
{
    if (list == nullptr)
        return 0;
    int index = 0;
    for (ListNode *prev = nullptr, *node = list->head; node != nullptr;
         prev = node, node = node->next, ++index) {
        if (matches(list, node, key)) {
            unlink(list, prev, node);
            release_node(node);  // the element stays the caller's
            return index;
        }
    }
    return 0;
}

int op_remove_at(ListObject* list, int position)
{
    if (list == nullptr || list->head == nullptr)
        return 0;
    ListNode* prev = nullptr;
    ListNode* node = list->head;
    for (int at = 1; at < position && node != nullptr; ++at) {
        prev = node;
        node = node->next;
    }
    if (node == nullptr)
        return 0;
    unlink(list, prev, node);
    free_element(list, node->element);
    release_node(node);
    return 1;
}

ListObject* op_append(ListObject* list, void* element)
{
    if (!accepts(list, element))
        return list;
    link_before(list, list->tail, nullptr, take_node(element));
    return list;
}

int op_insert_sorted(ListObject* list, void* element)
{
    if (!accepts(list, element))
        return 0;
    ListNode* fresh = take_node(element);
    ListNode* prev = nullptr;
    ListNode* node = list->head;
    int position = 1;
    while (node != nullptr && (list->compare == nullptr || list->compare(node, fresh) < 0)) {
        prev = node;
        node = node->next;
        ++position;
    }
    link_before(list, prev, node, fresh);
    return position;
}

int op_insert_at(ListObject* list, void* element, int position)
{
    if (!accepts(list, element))
        return 0;
    ListNode* prev = nullptr;
    ListNode* node = list->head;
    int at = 1;
    while (at < position && node != nullptr) {
        prev = node;
        node = node->next;
        ++at;
    }
    link_before(list, prev, node, take_node(element));
    return at;
}

ListNode* op_find(ListObject* list, const void* key)
{
    if (list == nullptr)
        return nullptr;
    for (ListNode* node = list->head; node != nullptr; node = node->next) {
        if (matches(list, node, key))
            return node;
    }
    return nullptr;
}

ListNode* op_get_at(ListObject* list, int position)
{
    if (list == nullptr || position > list->count)
        return nullptr;
    ListNode* node = list->head;
    for (int at = 1; at < position && node != nullptr; ++at)
        node = node->next;
    return node;
}

ListObject* op_reserved(ListObject* list)
{
    return list;
}

}  // namespace

void list_init()
{
    if (list_send != nullptr)
        return;  // the class exists once; lists point at its table
    ListOps* ops = static_cast<ListOps*>(myutil_malloc(sizeof(ListOps)));
    ops->list_create = op_create;
    ops->list_destroy = op_destroy;
    ops->list_copy = op_copy;
    ops->list_remove_key = op_remove_key;
    ops->list_remove_at = op_remove_at;
    ops->list_append = op_append;
    ops->list_insert_sorted = op_insert_sorted;
    ops->list_insert_at = op_insert_at;
    ops->list_find = op_find;
    ops->list_get_at = op_get_at;
    ops->list_reserved_1 = op_reserved;
    ops->list_reserved_2 = op_reserved;
    list_send = ops;

    list_object_instance = static_cast<ListObject*>(myutil_malloc(sizeof(ListObject)));
    list_object_instance->ops = ops;
}

void list_dispose(ListObject** list)
{
    if (*list != nullptr) {
        (*list)->ops->list_destroy(*list);
        *list = nullptr;
    }
}
