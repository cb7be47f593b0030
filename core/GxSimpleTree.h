// An intrusive tree of polymorphic nodes: every node carries its own parent, sibling and child
// links, and the tree holds only the first node of the top level. The Nc motion projects keep
// their layer hierarchy in one.
#pragma once

#include <cstdint>

class GxSimpleNode
{
public:
    GxSimpleNode() = default;
    virtual ~GxSimpleNode() = default;
    GxSimpleNode(const GxSimpleNode&) = delete;
    GxSimpleNode& operator=(const GxSimpleNode&) = delete;

    GxSimpleNode* GetParent() const { return m_pParent; }
    GxSimpleNode* GetPrev() const { return m_pPrev; }
    GxSimpleNode* GetNext() const { return m_pNext; }
    GxSimpleNode* GetChild() const { return m_pChild; }

    GxSimpleNode* m_pParent = nullptr;  // null at the top level
    GxSimpleNode* m_pPrev = nullptr;    // null for the first of a chain
    GxSimpleNode* m_pNext = nullptr;    // null for the last of a chain
    GxSimpleNode* m_pChild = nullptr;   // first child; null for a leaf
};

// Insert modes, for a place that already holds a chain (an empty place takes every mode as
// replace):
enum GxSimpleTreeInsertMode : int32_t
{
    GXTREE_REPLACE = 0,  // the node and its own following chain take the place
    GXTREE_INSERT = 1,   // the node goes in front of the chain (or between sibling and next)
    GXTREE_ADOPT = 2,    // the node takes the place and the chain becomes its first children
};

class GxSimpleTree
{
public:
    GxSimpleTree() = default;
    virtual ~GxSimpleTree();
    GxSimpleTree(const GxSimpleTree&) = delete;
    GxSimpleTree& operator=(const GxSimpleTree&) = delete;

    void InsertTop(GxSimpleNode* node, int mode);
    // A null sibling inserts at the top level.
    void InsertNext(GxSimpleNode* sibling, GxSimpleNode* node, int mode);
    // A null parent inserts at the top level.
    void InsertChild(GxSimpleNode* parent, GxSimpleNode* node, int mode);
    // Detaches the node (null: the first top-level node) with its children, without deleting
    // it; null when the tree is empty.
    GxSimpleNode* Unlink(GxSimpleNode* node);
    // Deletes every node, children before their parents.
    void Clear();

    GxSimpleNode* GetTop() const { return m_pTop; }
    bool IsEmpty() const { return m_pTop == nullptr; }
    bool GetOwnsNodes() const { return m_OwnsNodes != 0; }
    void SetOwnsNodes(bool owns) { m_OwnsNodes = owns ? 1 : 0; }

    // Deletes a chain of siblings with all their descendants, without recursion, so that long
    // chains and deep trees cannot exhaust the stack.
    static void DeleteChain(GxSimpleNode* first);

private:
    // Links node into the place whose link is *slot, under parent and after prev.
    void InsertAt(GxSimpleNode*& slot, GxSimpleNode* parent, GxSimpleNode* prev, GxSimpleNode* node, int mode);

    GxSimpleNode* m_pTop = nullptr;
    uint8_t m_OwnsNodes = 1;
};
