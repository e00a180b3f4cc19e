#include "ui/linked_list.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

// The values front to back (-1 for a node without an element), checking every back link.
std::vector<int> values(LinkedList<int>& list)
{
    std::vector<int> out;
    for (ListNode<int>* n = list.head(); n; n = n->next) {
        EXPECT_EQ(n->prev ? n->prev->next : list.head(), n);
        out.push_back(n->data ? *n->data : -1);
    }
    return out;
}

}  // namespace

TEST(LinkedList, InsertQueryAndUnlink)
{
    ListNode<int>* none = nullptr;
    EXPECT_EQ(listCount(none), 0);
    EXPECT_EQ(listIndexOf(none), -1);
    LinkedList<int> list;
    EXPECT_EQ(list.unlink(nullptr), nullptr);
    for (int v : {0, 1, 2}) list.append(std::make_unique<int>(v));
    list.insertAfter(std::make_unique<int>(9), listAt(list.head(), 1));  // the middle
    list.insertAfter(std::make_unique<int>(-1), nullptr);                // in front
    list.append(nullptr);                                                // no element
    EXPECT_EQ(values(list), (std::vector<int>{-1, 0, 1, 9, 2, -1}));
    // Whole-list queries answer the same from any node; positions outside give the ends.
    for (ListNode<int>* n = list.head(); n; n = n->next) {
        EXPECT_EQ(listCount(n), 6);
        EXPECT_EQ(listAt(n, 3), list.head()->next->next->next);
    }
    EXPECT_EQ(listAt(listLast(list.head()), -5), list.head());
    EXPECT_EQ(listAt(list.head(), 6), nullptr);
    auto head = list.unlink(list.head());
    EXPECT_EQ(listCount(head.get()), 1);  // the detached node is a list of its own
    EXPECT_EQ(*list.unlink(listAt(list.head(), 2))->data, 9);
    list.unlink(listLast(list.head()));
    EXPECT_EQ(values(list), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(listIndexOf(listLast(list.head())), 2);
}

TEST(LinkedList, ReleasesEveryElementOnce)
{
    struct Tracked {
        explicit Tracked(int* d) : destroyed(d) {}
        ~Tracked() { ++*destroyed; }
        int* destroyed;
    };
    int destroyed = 0;
    {
        LinkedList<Tracked> list;
        for (int i = 0; i < 4; ++i) list.append(std::make_unique<Tracked>(&destroyed));
        auto detached = list.unlink(listAt(list.head(), 1));
        EXPECT_EQ(destroyed, 0);  // unlinking releases nothing
        list.clear();
        EXPECT_EQ(destroyed, 3);
        list.append(std::make_unique<Tracked>(&destroyed));
        LinkedList<Tracked> moved = std::move(list);
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(moved.count(), 1);
    }
    EXPECT_EQ(destroyed, 5);  // the detached node and the moved list on scope exit
}
