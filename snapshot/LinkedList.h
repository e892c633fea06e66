// snapshot/LinkedList.h — the singly linked list under every element list: newest node at the head,
// each node pointing to the next older one.
#pragma once
#include <windows.h>

#include <atomic>

// Base of everything that can stand in a list; a node is in at most one list at a time.
class LIST_NODE
{
  public:
    constexpr LIST_NODE() = default;
    virtual ~LIST_NODE() = default;
    LIST_NODE(const LIST_NODE&) = delete;
    LIST_NODE& operator=(const LIST_NODE&) = delete;

    LIST_NODE* pNext = nullptr; // the next older node; null at the tail
};

// The list does not own its nodes: its destructor unlinks them all and deletes none.
//
// Shared without a lock: one side inserts at the head (from any thread), the other only removes nodes
// that have a newer neighbour, which changes that neighbour's pNext and never the head. The head is
// therefore the one atomic; a node's pNext is set before the node is published as head.
class LINKED_LIST
{
  public:
    constexpr LINKED_LIST() = default;
    virtual ~LINKED_LIST();
    LINKED_LIST(const LINKED_LIST&) = delete;
    LINKED_LIST& operator=(const LINKED_LIST&) = delete;

    // A null before-node, or the head, makes the node the new head; otherwise it goes in front of the
    // before-node. FALSE, and nothing changes, when the before-node is not in the list.
    BOOL Insert(LIST_NODE* pNode, LIST_NODE* pBefore);
    // FALSE when the node is not in the list; the node's pNext is null afterwards.
    BOOL Unlink(LIST_NODE* pNode);
    // The newer neighbour of a node: null for the head and for a node not in the list.
    LIST_NODE* Predecessor(const LIST_NODE* pNode) const;
    LIST_NODE* Head() const { return pHead.load(std::memory_order_acquire); }

  private:
    std::atomic<LIST_NODE*> pHead{nullptr};
};
