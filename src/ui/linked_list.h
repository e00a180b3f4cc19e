// A small doubly linked list of owned elements. The menus, their choice lists and the playlist
// use it; callers hold node pointers as cursors (the highlighted entry, the current song) and
// move with next/prev, wrapping through listFirst/listLast themselves.
//
// LinkedList<T> owns its nodes and each node owns its element. The queries below (first, last,
// count, index, at) accept any node of a list and rewind to the first node first, so they give
// the same answer whichever node they are handed. Positions count from the first node, from 0.
// Walks are linear and nothing is cached: the lists are short.
#pragma once

#include <memory>
#include <utility>

template <typename T>
struct ListNode {
    std::unique_ptr<T> data;  // may be null
    ListNode* next = nullptr;
    ListNode* prev = nullptr;
};

// The first node of the list that `node` belongs to; null for null.
template <typename T>
ListNode<T>* listFirst(ListNode<T>* node)
{
    if (!node) return nullptr;
    while (node->prev) node = node->prev;
    return node;
}

// The last node of the list that `node` belongs to; null for null.
template <typename T>
ListNode<T>* listLast(ListNode<T>* node)
{
    if (!node) return nullptr;
    while (node->next) node = node->next;
    return node;
}

// Number of nodes in the list; 0 for null.
template <typename T>
int listCount(ListNode<T>* node)
{
    int count = 0;
    for (ListNode<T>* n = listFirst(node); n; n = n->next) ++count;
    return count;
}

// Position of the node counted from the first node; -1 for null.
template <typename T>
int listIndexOf(ListNode<T>* node)
{
    if (!node) return -1;
    int index = 0;
    for (ListNode<T>* n = listFirst(node); n; n = n->next, ++index)
        if (n == node) return index;
    return -1;
}

// The node at `position` from the first node: the first node for a position of 0 or less, null
// for a position at or beyond the count or for a null list.
template <typename T>
ListNode<T>* listAt(ListNode<T>* node, int position)
{
    ListNode<T>* n = listFirst(node);
    for (int i = 0; n && i < position; ++i) n = n->next;
    return n;
}

template <typename T>
class LinkedList {
public:
    LinkedList() = default;
    ~LinkedList() { clear(); }
    LinkedList(LinkedList&& other) noexcept : head_(std::exchange(other.head_, nullptr)) {}
    LinkedList& operator=(LinkedList&& other) noexcept
    {
        if (this != &other) {
            clear();
            head_ = std::exchange(other.head_, nullptr);
        }
        return *this;
    }
    LinkedList(const LinkedList&) = delete;
    LinkedList& operator=(const LinkedList&) = delete;

    // The first node; null while the list is empty.
    ListNode<T>* head() const { return head_; }
    bool empty() const { return head_ == nullptr; }
    int count() const { return listCount(head_); }

    // Links a new node holding `data` directly after `node`, which must belong to this list, and
    // returns it. A null `node` puts the new node in front of the list (so on an empty list it
    // becomes the one and only node, the head).
    ListNode<T>* insertAfter(std::unique_ptr<T> data, ListNode<T>* node)
    {
        auto* created = new ListNode<T>;  // owned by this list from here on
        created->data = std::move(data);
        if (!node) {
            created->next = head_;
            if (head_) head_->prev = created;
            head_ = created;
            return created;
        }
        created->prev = node;
        created->next = node->next;
        if (node->next) node->next->prev = created;
        node->next = created;
        return created;
    }

    // Appends after the last node; returns the new node.
    ListNode<T>* append(std::unique_ptr<T> data)
    {
        ListNode<T>* last = listLast(head_);
        return insertAfter(std::move(data), last);
    }

    // Joins the node's neighbours to each other and hands the node, with both links null and its
    // element still inside, to the caller. When it was the head, its successor becomes the head.
    // Null for a null node.
    std::unique_ptr<ListNode<T>> unlink(ListNode<T>* node)
    {
        if (!node) return nullptr;
        if (node == head_) head_ = node->next;
        if (node->prev) node->prev->next = node->next;
        if (node->next) node->next->prev = node->prev;
        node->next = nullptr;
        node->prev = nullptr;
        return std::unique_ptr<ListNode<T>>(node);
    }

    // Releases every node and element, first to last; the list is empty afterwards.
    void clear()
    {
        ListNode<T>* n = head_;
        head_ = nullptr;
        while (n) {
            ListNode<T>* next = n->next;
            delete n;
            n = next;
        }
    }

private:
    ListNode<T>* head_ = nullptr;
};
