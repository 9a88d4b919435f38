// The list class: positions, ownership, copies, the spare-node pool and the
// always-empty class object.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "list.h"
#include "myutil.h"
#include "record_defaults.h"
#include "records.h"
#include "router_entry.h"

namespace {

// Routes told apart by their gateway text.
RouteEntry* route(const char* gateway)
{
    RouteEntry* r = static_cast<RouteEntry*>(myutil_malloc(sizeof(RouteEntry)));
    myutil_copy_text(r->mask, "255.255.255.0");
    myutil_copy_text(r->match, "10.0.0.0");
    myutil_copy_text(r->gateway, gateway);
    return r;
}

RouterEntry* router(const char* name, const char* hw)
{
    RouterEntry* r = static_cast<RouterEntry*>(myutil_malloc(sizeof(RouterEntry)));
    myutil_copy_text(r->name, name);
    myutil_copy_text(r->hw_text, hw);
    return r;
}

// The gateways in list order, read by walking the nodes; also checks that
// head, tail and count agree with the chain.
std::vector<std::string> gateways(ListObject* list)
{
    std::vector<std::string> out;
    ListNode* last = nullptr;
    for (ListNode* n = list->head; n != nullptr; n = n->next) {
        out.push_back(static_cast<RouteEntry*>(n->element)->gateway);
        last = n;
    }
    EXPECT_EQ(list->tail, last);
    EXPECT_EQ(list->count, static_cast<int>(out.size()));
    return out;
}

std::vector<std::string> names(ListObject* list)
{
    std::vector<std::string> out;
    ListNode* last = nullptr;
    for (ListNode* n = list->head; n != nullptr; n = n->next) {
        out.push_back(static_cast<RouterEntry*>(n->element)->name);
        last = n;
    }
    EXPECT_EQ(list->tail, last);
    EXPECT_EQ(list->count, static_cast<int>(out.size()));
    return out;
}

using Names = std::vector<std::string>;

class ListTest : public ::testing::Test {
protected:
    void SetUp() override { list_init(); }
    void TearDown() override
    {
        for (ListObject* l : lists_)
            l->ops->list_destroy(l);
    }
    ListObject* keep(ListObject* l)
    {
        lists_.push_back(l);
        return l;
    }
    // A route list holding gateways "a", "b", "c", ... in this order.
    ListObject* routes(std::initializer_list<const char*> gws)
    {
        ListObject* l = keep(listhelp_new_route_list());
        for (const char* g : gws)
            l->ops->list_append(l, route(g));
        return l;
    }
    ListObject* routers(std::initializer_list<const char*> ns)
    {
        ListObject* l = keep(list_object_instance->ops->list_create(
            list_object_instance, listhelp_comp_routers, listhelp_find_routers,
            listhelp_copy_routers, listhelp_free_routers));
        for (const char* n : ns)
            l->ops->list_append(l, router(n, "00-01-02-03-04-05"));
        return l;
    }

private:
    std::vector<ListObject*> lists_;
};

TEST_F(ListTest, InitFillsEveryOperationSlotAndTheClassObjectIsEmpty)
{
    ASSERT_NE(list_send, nullptr);
    ASSERT_NE(list_object_instance, nullptr);
    EXPECT_EQ(list_object_instance->ops, list_send);
    EXPECT_EQ(list_object_instance->head, nullptr);
    EXPECT_EQ(list_object_instance->count, 0);
    void* const* slots = reinterpret_cast<void* const*>(list_send);
    for (size_t i = 0; i < sizeof(ListOps) / sizeof(void*); ++i)
        EXPECT_NE(slots[i], nullptr) << i;

    ListOps* before = list_send;
    list_init();  // a second call must not replace the table lists point at
    EXPECT_EQ(list_send, before);
}

struct InsertAtCase {
    int position;
    int expected_result;
    Names expected;
};

class ListInsertAt : public ListTest, public ::testing::WithParamInterface<InsertAtCase> {};

TEST_P(ListInsertAt, PutsTheElementAtTheRequestedPlace)
{
    const InsertAtCase& c = GetParam();
    ListObject* l = routes({"a", "b", "c"});
    EXPECT_EQ(l->ops->list_insert_at(l, route("new"), c.position), c.expected_result);
    EXPECT_EQ(gateways(l), c.expected);
    // A later append still lands at the end: tail followed the insertion.
    l->ops->list_append(l, route("z"));
    EXPECT_EQ(gateways(l).back(), "z");
}

INSTANTIATE_TEST_SUITE_P(Positions, ListInsertAt,
                         ::testing::Values(InsertAtCase{-3, 1, {"new", "a", "b", "c"}},
                                           InsertAtCase{0, 1, {"new", "a", "b", "c"}},
                                           InsertAtCase{1, 1, {"new", "a", "b", "c"}},
                                           InsertAtCase{2, 2, {"a", "new", "b", "c"}},
                                           InsertAtCase{3, 3, {"a", "b", "new", "c"}},
                                           InsertAtCase{4, 4, {"a", "b", "c", "new"}},
                                           InsertAtCase{10, 4, {"a", "b", "c", "new"}}));

TEST_F(ListTest, InsertIntoAnEmptyListMakesTheOnlyElement)
{
    ListObject* at = routes({});
    EXPECT_EQ(at->ops->list_insert_at(at, route("x"), 7), 1);
    EXPECT_EQ(gateways(at), Names{"x"});
    ListObject* sorted = routes({});
    EXPECT_EQ(sorted->ops->list_insert_sorted(sorted, route("x")), 1);
    EXPECT_EQ(gateways(sorted), Names{"x"});
    EXPECT_EQ(sorted->head, sorted->tail);
}

TEST_F(ListTest, InsertSortedGoesInFrontOfTheFirstEqualElementElseToTheEnd)
{
    ListObject* l = routes({"a", "b", "c"});
    EXPECT_EQ(l->ops->list_insert_sorted(l, route("b")), 2);
    EXPECT_EQ(gateways(l), (Names{"a", "b", "b", "c"}));
    EXPECT_EQ(l->ops->list_insert_sorted(l, route("q")), 5);
    EXPECT_EQ(gateways(l), (Names{"a", "b", "b", "c", "q"}));
    EXPECT_EQ(l->ops->list_insert_sorted(l, route("a")), 1);
    EXPECT_EQ(gateways(l).front(), "a");
    EXPECT_EQ(l->count, 6);
}

TEST_F(ListTest, ANodeWithoutAnElementComparesPositiveInEveryElementSet)
{
    LineTarget line;
    RouteEntry route_entry;
    FilterEntry rule;
    RouterEntry router_entry;
    std::memset(&line, 0, sizeof line);
    std::memset(&route_entry, 0, sizeof route_entry);
    std::memset(&rule, 0, sizeof rule);
    std::memset(&router_entry, 0, sizeof router_entry);
    struct Case {
        const char* set;
        ListCompareFn compare;
        void* element;
    };
    const Case cases[] = {
        {"line targets", listhelp_comp_line, &line},
        {"routes", listhelp_comp_route, &route_entry},
        {"filter rules", listhelp_comp_filter, &rule},
        {"routers", listhelp_comp_routers, &router_entry},
    };
    for (const Case& c : cases) {
        ListNode none = {nullptr, nullptr};
        ListNode some = {c.element, nullptr};
        EXPECT_GT(c.compare(&none, &some), 0) << c.set;
        EXPECT_GT(c.compare(&some, &none), 0) << c.set;
        EXPECT_GT(c.compare(&none, &none), 0) << c.set;
        EXPECT_EQ(c.compare(&some, &some), 0) << c.set;
    }
}

TEST_F(ListTest, SortedInsertStopsInFrontOfANodeWithoutAnElement)
{
    ListObject* l = routes({"a", "b", "c"});
    ListNode* middle = l->ops->list_get_at(l, 2);
    std::free(middle->element);
    middle->element = nullptr;
    // "c" equals the third element, but the walk stops at the second node.
    EXPECT_EQ(l->ops->list_insert_sorted(l, route("c")), 2);
    EXPECT_STREQ(static_cast<RouteEntry*>(l->ops->list_get_at(l, 2)->element)->gateway, "c");
    EXPECT_EQ(l->ops->list_get_at(l, 3), middle);
    EXPECT_EQ(l->count, 4);
}

struct RemoveAtCase {
    int position;
    int expected_result;
    Names expected;
};

class ListRemoveAt : public ListTest, public ::testing::WithParamInterface<RemoveAtCase> {};

TEST_P(ListRemoveAt, RemovesAndFreesTheElementAtThePosition)
{
    const RemoveAtCase& c = GetParam();
    ListObject* l = routes({"a", "b", "c", "d"});
    EXPECT_EQ(l->ops->list_remove_at(l, c.position), c.expected_result);
    EXPECT_EQ(gateways(l), c.expected);
    l->ops->list_append(l, route("z"));
    EXPECT_EQ(gateways(l).back(), "z");
}

INSTANTIATE_TEST_SUITE_P(Positions, ListRemoveAt,
                         ::testing::Values(RemoveAtCase{0, 1, {"b", "c", "d"}},
                                           RemoveAtCase{1, 1, {"b", "c", "d"}},
                                           RemoveAtCase{2, 1, {"a", "c", "d"}},
                                           RemoveAtCase{4, 1, {"a", "b", "c"}},
                                           RemoveAtCase{5, 0, {"a", "b", "c", "d"}},
                                           RemoveAtCase{99, 0, {"a", "b", "c", "d"}}));

TEST_F(ListTest, RemovingTheLastElementMovesTheTailToTheNodeBefore)
{
    ListObject* l = routes({"a", "b", "c", "d"});
    ListNode* third = l->ops->list_get_at(l, 3);
    ASSERT_EQ(l->ops->list_remove_at(l, 4), 1);
    EXPECT_EQ(l->tail, third);
    EXPECT_EQ(third->next, nullptr);
}

TEST_F(ListTest, RemoveAtOnEmptyListAndRemovingTheOnlyElementLeaveAnEmptyList)
{
    ListObject* l = routes({});
    EXPECT_EQ(l->ops->list_remove_at(l, 1), 0);
    l->ops->list_append(l, route("a"));
    EXPECT_EQ(l->ops->list_remove_at(l, 1), 1);
    EXPECT_EQ(l->head, nullptr);
    EXPECT_EQ(l->tail, nullptr);
    EXPECT_EQ(l->count, 0);
}

TEST_F(ListTest, AnElementDetachedBeforeRemovalSurvivesAndCanMove)
{
    ListObject* l = routes({"a", "b", "c"});
    ListNode* n = l->ops->list_get_at(l, 1);
    void* kept = n->element;
    n->element = nullptr;
    ASSERT_EQ(l->ops->list_remove_at(l, 1), 1);
    EXPECT_STREQ(static_cast<RouteEntry*>(kept)->gateway, "a");  // still readable (ASan)
    EXPECT_EQ(l->ops->list_insert_at(l, kept, 3), 3);
    EXPECT_EQ(gateways(l), (Names{"b", "c", "a"}));
}

TEST_F(ListTest, GetAtCountsFromOneAndReturnsNoneOutsideTheList)
{
    ListObject* l = routes({"a", "b", "c"});
    const struct {
        int position;
        const char* expected;  // null: no node
    } cases[] = {{-1, "a"}, {0, "a"}, {1, "a"}, {2, "b"}, {3, "c"}, {4, nullptr}, {50, nullptr}};
    for (const auto& c : cases) {
        ListNode* n = l->ops->list_get_at(l, c.position);
        if (c.expected == nullptr) {
            EXPECT_EQ(n, nullptr) << c.position;
        } else {
            ASSERT_NE(n, nullptr) << c.position;
            EXPECT_STREQ(static_cast<RouteEntry*>(n->element)->gateway, c.expected);
        }
    }
    ListObject* empty = routes({});
    EXPECT_EQ(empty->ops->list_get_at(empty, 0), nullptr);
    EXPECT_EQ(empty->ops->list_get_at(empty, 1), nullptr);
}

TEST_F(ListTest, RouterListFindsAndRemovesByName)
{
    ListObject* l = routers({"alpha", "beta", "gamma"});
    ListNode* n = l->ops->list_find(l, "beta");
    ASSERT_NE(n, nullptr);
    EXPECT_STREQ(static_cast<RouterEntry*>(n->element)->name, "beta");
    EXPECT_EQ(l->ops->list_find(l, "bet"), nullptr);
    EXPECT_EQ(l->ops->list_find(l, "betas"), nullptr);
    EXPECT_EQ(l->ops->list_find(l, "delta"), nullptr);

    // The element is handed back, not freed.
    void* beta = n->element;
    EXPECT_EQ(l->ops->list_remove_key(l, "beta"), 1);
    EXPECT_EQ(names(l), (Names{"alpha", "gamma"}));
    std::free(beta);
}

TEST_F(ListTest, RoutersAreEqualByNameAndHardwareAddressAndCopiedWhole)
{
    RouterEntry a = {};
    myutil_copy_text(a.name, "10.1.1.1");
    myutil_copy_text(a.hw_text, "00-a0-f9-01-02-03");
    a.ch1_state = 3;
    myutil_copy_text(a.firmware, "2.11");
    RouterEntry b = a;
    b.ch1_state = 0;
    b.have_state = 1;
    ListNode na = {&a, nullptr};
    ListNode nb = {&b, nullptr};
    EXPECT_EQ(listhelp_comp_routers(&na, &nb), 0);
    myutil_copy_text(b.hw_text, "00-a0-f9-01-02-04");
    EXPECT_EQ(listhelp_comp_routers(&na, &nb), -1);
    b = a;
    myutil_copy_text(b.name, "---------");
    EXPECT_EQ(listhelp_comp_routers(&na, &nb), -1);

    RouterEntry* c = static_cast<RouterEntry*>(listhelp_copy_routers(&a));
    EXPECT_EQ(std::memcmp(c, &a, sizeof a), 0);
    EXPECT_NE(c, &a);
    listhelp_free_routers(c);
    listhelp_free_routers(nullptr);
    EXPECT_EQ(listhelp_copy_routers(nullptr), nullptr);
}

TEST_F(ListTest, RemoveKeyOfTheFirstElementMovesTheHead)
{
    ListObject* l = routers({"alpha", "beta"});
    void* alpha = l->head->element;
    EXPECT_EQ(l->ops->list_remove_key(l, "alpha"), 0);
    std::free(alpha);
    EXPECT_EQ(names(l), Names{"beta"});
    void* beta = l->head->element;
    EXPECT_EQ(l->ops->list_remove_key(l, "beta"), 0);
    std::free(beta);
    EXPECT_EQ(l->head, nullptr);
    EXPECT_EQ(l->tail, nullptr);
    // The emptied list is whole again: an append is reachable from the head.
    l->ops->list_append(l, router("delta", "00-00-00-00-00-01"));
    EXPECT_EQ(names(l), Names{"delta"});
}

TEST_F(ListTest, RemoveKeyOfTheLastElementMovesTheTail)
{
    ListObject* l = routers({"alpha", "beta", "gamma"});
    void* gamma = l->tail->element;
    EXPECT_EQ(l->ops->list_remove_key(l, "gamma"), 2);
    std::free(gamma);
    l->ops->list_append(l, router("delta", "00-00-00-00-00-01"));
    EXPECT_EQ(names(l), (Names{"alpha", "beta", "delta"}));
}

TEST_F(ListTest, TableListsNeverMatchAKey)
{
    ListObject* lines = keep(listhelp_new_line_list());
    lines->ops->list_append(lines, listhelp_copy_line(&line_defaults));
    ListObject* filters = keep(listhelp_new_filter_list());
    filters->ops->list_append(filters, listhelp_copy_filter(&filter_accept));
    ListObject* rts = routes({"a"});
    for (ListObject* l : {lines, filters, rts}) {
        EXPECT_EQ(l->ops->list_remove_key(l, "a"), 0);
        EXPECT_EQ(l->ops->list_find(l, "a"), nullptr);
        EXPECT_EQ(l->count, 1);
    }
}

TEST_F(ListTest, CopyIsDeepAndKeepsOrderAndFunctions)
{
    ListObject* l = routes({"a", "b", "c"});
    ListObject* c = keep(l->ops->list_copy(l));
    EXPECT_EQ(gateways(c), (Names{"a", "b", "c"}));
    EXPECT_EQ(c->compare, l->compare);
    EXPECT_EQ(c->find, l->find);
    EXPECT_EQ(c->copy, l->copy);
    EXPECT_EQ(c->free, l->free);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_NE(c->ops->list_get_at(c, i)->element, l->ops->list_get_at(l, i)->element);
    }
    myutil_copy_text(static_cast<RouteEntry*>(c->head->element)->gateway, "changed");
    EXPECT_EQ(gateways(l), (Names{"a", "b", "c"}));

    ListObject* empty = routes({});
    ListObject* empty_copy = keep(empty->ops->list_copy(empty));
    EXPECT_EQ(empty_copy->count, 0);
    EXPECT_EQ(empty_copy->head, nullptr);
    EXPECT_EQ(empty_copy->copy, listhelp_copy_route);
}

TEST_F(ListTest, ReservedOperationsLeaveTheListAsItWas)
{
    ListObject* l = routes({"a", "b"});
    EXPECT_EQ(l->ops->list_reserved_1(l), l);
    EXPECT_EQ(l->ops->list_reserved_2(l), l);
    EXPECT_EQ(gateways(l), (Names{"a", "b"}));
}

// Elements that count their releases.
int released = 0;
void counting_free(void* e)
{
    if (e != nullptr)
        ++released;
    std::free(e);
}
void* int_copy(const void* e)
{
    int* c = static_cast<int*>(myutil_malloc(sizeof(int)));
    *c = *static_cast<const int*>(e);
    return c;
}
int* new_int(int v)
{
    int* e = static_cast<int*>(myutil_malloc(sizeof(int)));
    *e = v;
    return e;
}

TEST_F(ListTest, DestroyReleasesEveryElementOnce)
{
    for (int n : {0, 1, 5}) {
        released = 0;
        ListObject* l = list_object_instance->ops->list_create(list_object_instance, nullptr,
                                                               nullptr, int_copy, counting_free);
        for (int i = 0; i < n; ++i)
            l->ops->list_append(l, new_int(i));
        ListObject* c = l->ops->list_copy(l);
        l->ops->list_destroy(l);
        EXPECT_EQ(released, n);
        c->ops->list_destroy(c);
        EXPECT_EQ(released, 2 * n);
    }
}

// Disposing a holder's list frees its elements and leaves the holder null,
// so that a second dispose, as an error path that runs after a normal end
// does, frees nothing twice.
TEST_F(ListTest, DisposeFreesTheElementsAndNullsTheHolderOnce)
{
    for (int n : {-1, 0, 1, 5}) {  // -1: the holder has no list
        released = 0;
        ListObject* l = nullptr;
        if (n >= 0) {
            l = list_object_instance->ops->list_create(list_object_instance, nullptr, nullptr,
                                                       int_copy, counting_free);
            for (int i = 0; i < n; ++i)
                l->ops->list_append(l, new_int(i));
        }
        list_dispose(&l);
        EXPECT_EQ(l, nullptr) << n;
        EXPECT_EQ(released, n < 0 ? 0 : n) << n;
        list_dispose(&l);
        EXPECT_EQ(released, n < 0 ? 0 : n) << "second dispose of " << n;
    }
    ListObject* cls = list_object_instance;
    list_dispose(&cls);
    EXPECT_EQ(cls, nullptr) << "the holder lets go of the class object";
    EXPECT_EQ(list_object_instance->ops, list_send) << "which itself stays";
}

TEST_F(ListTest, DestroyedNodesAreReusedBeforeNewOnesAreAllocated)
{
    ListObject* gone = listhelp_new_route_list();
    for (const char* g : {"a", "b", "c", "d"})
        gone->ops->list_append(gone, route(g));
    std::set<ListNode*> old_nodes;
    for (ListNode* n = gone->head; n != nullptr; n = n->next)
        old_nodes.insert(n);
    gone->ops->list_destroy(gone);

    // The next four insertions, whatever the list, take exactly those nodes.
    ListObject* l = routes({});
    std::set<ListNode*> taken;
    for (int i = 0; i < 4; ++i) {
        l->ops->list_insert_at(l, route("x"), 1);
        taken.insert(l->head);
    }
    EXPECT_EQ(taken, old_nodes);

    // Removal feeds the pool too: the released node is the next one taken.
    ListNode* second = l->ops->list_get_at(l, 2);
    ASSERT_EQ(l->ops->list_remove_at(l, 2), 1);
    l->ops->list_append(l, route("y"));
    EXPECT_EQ(l->tail, second);
    EXPECT_EQ(gateways(l), (Names{"x", "x", "x", "y"}));
}

TEST_F(ListTest, TheClassObjectStaysEmptyAndAlive)
{
    ListObject* cls = list_object_instance;
    EXPECT_EQ(cls->ops->list_get_at(cls, 1), nullptr);
    EXPECT_EQ(cls->ops->list_find(cls, "x"), nullptr);
    EXPECT_EQ(cls->ops->list_remove_at(cls, 1), 0);
    EXPECT_EQ(cls->ops->list_remove_key(cls, "x"), 0);
    // It takes no element (the refused one is released, which ASan checks).
    EXPECT_EQ(cls->ops->list_append(cls, route("a")), cls);
    EXPECT_EQ(cls->ops->list_insert_at(cls, route("a"), 1), 0);
    EXPECT_EQ(cls->ops->list_insert_sorted(cls, route("a")), 0);
    EXPECT_EQ(cls->count, 0);
    EXPECT_EQ(cls->head, nullptr);
    cls->ops->list_destroy(cls);  // refused: it serves every later create
    EXPECT_EQ(list_object_instance, cls);
    ListObject* l = keep(listhelp_new_route_list());
    EXPECT_EQ(l->ops, list_send);
}

TEST_F(ListTest, CopiesOfTheClassObjectAreEmptyListsThatCallNoElementFunction)
{
    ListObject* c = list_object_instance->ops->list_copy(list_object_instance);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c, list_object_instance);
    EXPECT_EQ(c->count, 0);
    EXPECT_EQ(c->ops->list_insert_sorted(c, route("a")), 0);
    c->ops->list_append(c, route("b"));
    EXPECT_EQ(c->ops->list_insert_at(c, route("c"), 2), 0);
    EXPECT_EQ(c->ops->list_find(c, "a"), nullptr);
    EXPECT_EQ(c->ops->list_remove_key(c, "a"), 0);
    EXPECT_EQ(c->ops->list_remove_at(c, 1), 0);
    ListObject* cc = c->ops->list_copy(c);
    EXPECT_EQ(cc->count, 0);
    cc->ops->list_destroy(cc);
    c->ops->list_destroy(c);
}

TEST_F(ListTest, ListWithoutCompareOrFindStillInsertsAndSearchesSafely)
{
    released = 0;
    ListObject* l = list_object_instance->ops->list_create(list_object_instance, nullptr, nullptr,
                                                           int_copy, nullptr);
    l->ops->list_append(l, new_int(1));
    EXPECT_EQ(l->ops->list_insert_sorted(l, new_int(2)), 2);
    EXPECT_EQ(l->ops->list_find(l, "x"), nullptr);
    EXPECT_EQ(l->ops->list_remove_key(l, "x"), 0);
    EXPECT_EQ(l->ops->list_remove_at(l, 1), 1);  // released with the standard free
    EXPECT_EQ(l->count, 1);
    l->ops->list_destroy(l);
}

TEST(ListDeathTest, CreatingAListBeforeTheClassExistsAborts)
{
    EXPECT_DEATH(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            list_send = nullptr;
            list_object_instance = nullptr;
            listhelp_new_route_list();
        },
        "Class list not initialised");
}

}  // namespace
