#include "core/GxSimpleTree.h"

GxSimpleTree::~GxSimpleTree()
{
    if (m_OwnsNodes) Clear();
}

void GxSimpleTree::InsertAt(GxSimpleNode*& slot, GxSimpleNode* parent, GxSimpleNode* prev, GxSimpleNode* node,
                            int mode)
{
    if (!node) return;
    GxSimpleNode* chain = slot;
    if (chain == node) chain = node->m_pNext;  // re-inserting the place's own first node
    if (!chain) mode = GXTREE_REPLACE;

    switch (mode) {
    case GXTREE_INSERT:
        node->m_pNext = chain;
        chain->m_pPrev = node;
        break;
    case GXTREE_ADOPT: {
        // Children the node already had follow the adopted chain rather than being lost.
        GxSimpleNode* own = node->m_pChild;
        node->m_pNext = nullptr;
        node->m_pChild = chain;
        chain->m_pPrev = nullptr;
        GxSimpleNode* last = chain;
        for (GxSimpleNode* c = chain; c; c = c->m_pNext) {
            c->m_pParent = node;
            last = c;
        }
        if (own) {
            last->m_pNext = own;
            own->m_pPrev = last;
        }
        break;
    }
    default: {
        // The node keeps its own following chain. Whatever of the old chain is not part of it
        // leaves the tree; an owning tree deletes it rather than losing it.
        GxSimpleNode* old = slot;
        if (old == node) {
            old = nullptr;
        } else if (old) {
            for (GxSimpleNode* c = old; c; c = c->m_pNext) {
                if (c->m_pNext == node) {
                    c->m_pNext = nullptr;
                    break;
                }
            }
            old->m_pPrev = nullptr;
        }
        if (old && m_OwnsNodes) DeleteChain(old);
        break;
    }
    }

    node->m_pParent = parent;
    node->m_pPrev = prev;
    for (GxSimpleNode* c = node->m_pNext; c; c = c->m_pNext) c->m_pParent = parent;
    slot = node;
}

void GxSimpleTree::InsertTop(GxSimpleNode* node, int mode) { InsertAt(m_pTop, nullptr, nullptr, node, mode); }

void GxSimpleTree::InsertNext(GxSimpleNode* sibling, GxSimpleNode* node, int mode)
{
    if (!sibling) {
        InsertTop(node, mode);
        return;
    }
    InsertAt(sibling->m_pNext, sibling->m_pParent, sibling, node, mode);
}

void GxSimpleTree::InsertChild(GxSimpleNode* parent, GxSimpleNode* node, int mode)
{
    if (!parent) {
        InsertTop(node, mode);
        return;
    }
    InsertAt(parent->m_pChild, parent, nullptr, node, mode);
}

GxSimpleNode* GxSimpleTree::Unlink(GxSimpleNode* node)
{
    if (!node || node == m_pTop) {
        node = m_pTop;
        if (!node) return nullptr;
        m_pTop = node->m_pNext;
        if (m_pTop) m_pTop->m_pPrev = nullptr;
    } else {
        if (node->m_pPrev) {
            node->m_pPrev->m_pNext = node->m_pNext;
        } else if (node->m_pParent) {
            node->m_pParent->m_pChild = node->m_pNext;
        }
        if (node->m_pNext) node->m_pNext->m_pPrev = node->m_pPrev;
    }
    node->m_pParent = nullptr;
    node->m_pPrev = nullptr;
    node->m_pNext = nullptr;
    return node;
}

void GxSimpleTree::DeleteChain(GxSimpleNode* node)
{
    // Post-order walk over the links themselves: go down to a leaf, delete it, and continue
    // with its next sibling or, at the end of a chain, with its parent (now a leaf).
    GxSimpleNode* const stop = node ? node->m_pParent : nullptr;
    while (node) {
        if (node->m_pChild) {
            node = node->m_pChild;
            continue;
        }
        GxSimpleNode* next = node->m_pNext;
        GxSimpleNode* parent = node->m_pParent;
        node->m_pParent = node->m_pPrev = node->m_pNext = nullptr;
        delete node;
        if (next) {
            next->m_pPrev = nullptr;
            if (parent != stop) parent->m_pChild = next;
            node = next;
        } else if (parent != stop) {
            parent->m_pChild = nullptr;
            node = parent;
        } else {
            node = nullptr;
        }
    }
}

void GxSimpleTree::Clear()
{
    GxSimpleNode* top = m_pTop;
    m_pTop = nullptr;
    DeleteChain(top);
}
