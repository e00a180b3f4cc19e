#include "ui/linked_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Counts the elements destroyed, to see that the list releases each one exactly once.
struct Tracked {
    Tracked(int v, int* destroyed) : value(v), destroyed(destroyed) {}
    ~Tracked() { ++*destroyed; }
    int value;
    int* destroyed;
};

template <typename T>
std::vector<ListNode<T>*> nodes(LinkedList<T>& list)
{
    std::vector<ListNode<T>*> out;
    for (ListNode<T>* n = list.head(); n; n = n->next) out.push_back(n);
    return out;
}

// Every forward link has the matching back link.
template <typename T>
void expectLinksConsistent(LinkedList<T>& list)
{
    ASSERT_TRUE(list.head() == nullptr || list.head()->prev == nullptr);
    for (ListNode<T>* n = list.head(); n; n = n->next) {
        if (n->next) {
            EXPECT_EQ(n->next->prev, n);
        }
        if (n->prev) {
            EXPECT_EQ(n->prev->next, n);
        }
    }
}

LinkedList<int> listOf(std::initializer_list<int> values)
{
    LinkedList<int> list;
    for (int v : values) list.append(std::make_unique<int>(v));
    return list;
}

}  // namespace

TEST(LinkedList, NullAndEmptyAnswers)
{
    ListNode<int>* none = nullptr;
    EXPECT_EQ(listFirst(none), nullptr);
    EXPECT_EQ(listLast(none), nullptr);
    EXPECT_EQ(listCount(none), 0);
    EXPECT_EQ(listIndexOf(none), -1);
    EXPECT_EQ(listAt(none, 0), nullptr);
    LinkedList<int> empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.count(), 0);
    EXPECT_EQ(empty.unlink(nullptr), nullptr);
    empty.clear();

    ListNode<int>* only = empty.insertAfter(std::make_unique<int>(7), nullptr);
    EXPECT_EQ(only, empty.head());
    EXPECT_EQ(only->next, nullptr);
    EXPECT_EQ(only->prev, nullptr);
    EXPECT_EQ(empty.count(), 1);
    // A node may also hold no element.
    empty.append(nullptr);
    EXPECT_EQ(empty.count(), 2);
    EXPECT_EQ(listLast(only)->data, nullptr);
}

TEST(LinkedList, InsertAfterTheMiddle)
{
    auto list = listOf({0, 1, 2});
    ListNode<int>* middle = listAt(list.head(), 1);
    ListNode<int>* formerThird = middle->next;
    ListNode<int>* inserted = list.insertAfter(std::make_unique<int>(9), middle);
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(listIndexOf(inserted), 2);
    EXPECT_EQ(listIndexOf(formerThird), 3);
    EXPECT_EQ(inserted->prev, middle);
    EXPECT_EQ(inserted->next, formerThird);
    expectLinksConsistent(list);
    // After the last node, and in front with a null node.
    list.insertAfter(std::make_unique<int>(10), listLast(list.head()));
    ListNode<int>* front = list.insertAfter(std::make_unique<int>(-1), nullptr);
    EXPECT_EQ(list.head(), front);
    std::vector<int> values;
    for (auto* n : nodes(list)) values.push_back(*n->data);
    EXPECT_EQ(values, (std::vector<int>{-1, 0, 1, 9, 2, 10}));
    expectLinksConsistent(list);
}

// Whole-list queries give the same answers whichever node they are handed.
TEST(LinkedList, QueriesFromAnyNode)
{
    auto list = listOf({10, 11, 12, 13, 14});
    for (ListNode<int>* n : nodes(list)) {
        EXPECT_EQ(listFirst(n), list.head());
        EXPECT_EQ(listLast(n), nodes(list).back());
        EXPECT_EQ(listCount(n), 5);
        EXPECT_EQ(listAt(n, 2), nodes(list)[2]);
        EXPECT_EQ(listIndexOf(n), *n->data - 10);
    }
    struct {
        int position;
        int expected;  // value, or -1 for null
    } cases[] = {{-5, 10}, {0, 10}, {4, 14}, {5, -1}, {100, -1}, {-2147483647 - 1, 10}};
    for (auto c : cases) {
        ListNode<int>* n = listAt(listLast(list.head()), c.position);
        EXPECT_EQ(n ? *n->data : -1, c.expected) << c.position;
    }
}

TEST(LinkedList, UnlinkHeadMiddleAndLast)
{
    auto list = listOf({0, 1, 2});
    ListNode<int>* second = listAt(list.head(), 1);
    auto head = list.unlink(list.head());
    ASSERT_TRUE(head);
    EXPECT_EQ(*head->data, 0);
    EXPECT_EQ(head->next, nullptr);
    EXPECT_EQ(head->prev, nullptr);
    EXPECT_EQ(second->prev, nullptr);
    EXPECT_EQ(list.head(), second);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(listCount(head.get()), 1);  // the detached node is a list of its own

    auto more = listOf({0, 1, 2, 3});
    auto middle = more.unlink(listAt(more.head(), 2));
    EXPECT_EQ(*middle->data, 2);
    EXPECT_EQ(more.count(), 3);
    EXPECT_EQ(*listAt(more.head(), 2)->data, 3);
    auto last = more.unlink(listLast(more.head()));
    EXPECT_EQ(*last->data, 3);
    EXPECT_EQ(listLast(more.head())->next, nullptr);
    expectLinksConsistent(more);
    while (!more.empty()) more.unlink(more.head());
    EXPECT_EQ(more.count(), 0);
}

TEST(LinkedList, ReleasesEveryElementOnce)
{
    int destroyed = 0;
    {
        LinkedList<Tracked> list;
        for (int i = 0; i < 4; ++i) list.append(std::make_unique<Tracked>(i, &destroyed));
        list.append(nullptr);
        auto detached = list.unlink(listAt(list.head(), 1));
        EXPECT_EQ(destroyed, 0);  // unlinking releases nothing
        list.clear();
        EXPECT_EQ(destroyed, 3);
        EXPECT_TRUE(list.empty());
        list.append(std::make_unique<Tracked>(9, &destroyed));
        LinkedList<Tracked> moved = std::move(list);
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(moved.count(), 1);
    }
    EXPECT_EQ(destroyed, 5);  // the detached node and the moved list on scope exit
}
