#include "snapshot/LinkedList.h"

LINKED_LIST::~LINKED_LIST()
{
    while (LIST_NODE* pNode = Head())
        Unlink(pNode);
}

BOOL LINKED_LIST::Insert(LIST_NODE* pNode, LIST_NODE* pBefore)
{
    if (!pNode) return FALSE;
    LIST_NODE* pFirst = Head();
    if (!pBefore || pBefore == pFirst)
    {
        // A newer head from another thread only means trying again, or, when the before-node was
        // the head, that it now has a newer neighbour to link behind.
        do
        {
            pNode->pNext = pFirst;
            if (pHead.compare_exchange_weak(pFirst, pNode, std::memory_order_release,
                                            std::memory_order_acquire))
                return TRUE;
        } while (!pBefore);
    }
    LIST_NODE* pNewer = Predecessor(pBefore);
    if (!pNewer) return FALSE;
    pNode->pNext = pBefore;
    pNewer->pNext = pNode;
    return TRUE;
}

BOOL LINKED_LIST::Unlink(LIST_NODE* pNode)
{
    if (!pNode) return FALSE;
    LIST_NODE* pFirst = Head();
    if (pNode == pFirst && pHead.compare_exchange_strong(pFirst, pNode->pNext, std::memory_order_acq_rel,
                                                         std::memory_order_acquire))
    {
        pNode->pNext = nullptr;
        return TRUE;
    }
    // Not the head, or no longer: a newer node arrived and is now its neighbour.
    LIST_NODE* pNewer = Predecessor(pNode);
    if (!pNewer) return FALSE;
    pNewer->pNext = pNode->pNext;
    pNode->pNext = nullptr;
    return TRUE;
}

LIST_NODE* LINKED_LIST::Predecessor(const LIST_NODE* pNode) const
{
    if (!pNode) return nullptr;
    for (LIST_NODE* p = Head(); p; p = p->pNext)
        if (p->pNext == pNode) return p;
    return nullptr;
}
