// The list class: a singly linked list that carries its operation table and
// the four functions that know its element type. A list owns its elements.
// Positions are 1-based; a position of 1 or less means the first element.
//
// A new list:  list_object_instance->ops->list_create(list_object_instance,
//                  compare, find, copy, free)
// or one of the listhelp_new_*_list() shorthands below. Every further
// operation goes through the list's own table: l->ops->list_append(l, e).
#pragma once

#include <cstdint>

struct ListNode {
    void* element;   // the element, owned by the list (null: nothing to free)
    ListNode* next;  // following node, null at the end
};

struct ListObject;

typedef int (*ListCompareFn)(ListNode* a,
                             ListNode* b);  // 0 equal, -1 otherwise, 1 without an element
typedef int (*ListFindFn)(ListNode* node, const void* key);  // non-zero on a match
typedef void* (*ListCopyFn)(const void* element);            // whole copy from myutil_malloc
typedef void (*ListFreeFn)(void* element);                   // null is ignored

// The operation table, twelve slots in this order.
struct ListOps {
    ListObject* (*list_create)(ListObject* receiver, ListCompareFn compare, ListFindFn find,
                               ListCopyFn copy, ListFreeFn free);
    void (*list_destroy)(ListObject* list);
    ListObject* (*list_copy)(ListObject* list);
    int (*list_remove_key)(ListObject* list, const void* key);  // 0-based index removed
    int (*list_remove_at)(ListObject* list, int position);      // 1 removed, 0 not
    ListObject* (*list_append)(ListObject* list, void* element);
    int (*list_insert_sorted)(ListObject* list, void* element);  // position taken
    int (*list_insert_at)(ListObject* list, void* element, int position);
    ListNode* (*list_find)(ListObject* list, const void* key);
    ListNode* (*list_get_at)(ListObject* list, int position);
    ListObject* (*list_reserved_1)(ListObject* list);
    ListObject* (*list_reserved_2)(ListObject* list);
};

struct ListObject {
    ListOps* ops;    // the shared operation table
    ListNode* head;  // first node, null when empty
    ListNode* tail;  // last node, null when empty
    int32_t count;   // number of elements
    ListCompareFn compare;
    ListFindFn find;
    ListCopyFn copy;
    ListFreeFn free;
};

// The one operation table (null until list_init), and the class object: the
// receiver of list_create and an always-empty list. Never destroy it.
extern ListOps* list_send;
extern ListObject* list_object_instance;

// Allocates the operation table and the class object. Called once by the
// engine's initialisation.
void list_init();

// Destroys the list `*list` points at, with its elements, and nulls the
// holder, so that a later call or a reader finds no list rather than a freed
// one; a holder that is already null is left alone.
void list_dispose(ListObject** list);

// Element functions of the four element types.
int listhelp_comp_line(ListNode* a, ListNode* b);
int listhelp_find_line(ListNode* node, const void* key);
void* listhelp_copy_line(const void* element);
void listhelp_free_line(void* element);

int listhelp_comp_route(ListNode* a, ListNode* b);
int listhelp_find_route(ListNode* node, const void* key);
void* listhelp_copy_route(const void* element);
void listhelp_free_route(void* element);

int listhelp_comp_filter(ListNode* a, ListNode* b);
int listhelp_find_filter(ListNode* node, const void* key);
void* listhelp_copy_filter(const void* element);
void listhelp_free_filter(void* element);

int listhelp_comp_routers(ListNode* a, ListNode* b);
int listhelp_find_routers(ListNode* node, const void* key);
void* listhelp_copy_routers(const void* element);
void listhelp_free_routers(void* element);

// New empty lists of line targets, routes and filter rules.
ListObject* listhelp_new_line_list();
ListObject* listhelp_new_route_list();
ListObject* listhelp_new_filter_list();
