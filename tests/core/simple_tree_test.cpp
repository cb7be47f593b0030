// Simple tree: the three insert modes at the top level, after a sibling and as a first child;
// Unlink; Clear order and exactly-once deletion; long chains and deep trees without recursion;
// the chain a replace removes is deleted by an owning tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/GxSimpleTree.h"

namespace {

struct Node : GxSimpleNode
{
    Node(std::string n, std::vector<std::string>* log) : name(std::move(n)), deleted(log) {}
    ~Node() override
    {
        if (deleted) deleted->push_back(name);
    }
    std::string name;
    std::vector<std::string>* deleted;
};

class SimpleTreeTest : public ::testing::Test
{
protected:
    Node* Make(const std::string& name) { return new Node(name, &m_Deleted); }

    // "A(B C) D": names of a chain with their children, checking every link on the way.
    static std::string Dump(const GxSimpleNode* first, const GxSimpleNode* parent = nullptr)
    {
        std::string s;
        const GxSimpleNode* prev = nullptr;
        for (const GxSimpleNode* n = first; n; prev = n, n = n->m_pNext) {
            EXPECT_EQ(n->m_pParent, parent) << static_cast<const Node*>(n)->name;
            EXPECT_EQ(n->m_pPrev, prev) << static_cast<const Node*>(n)->name;
            if (!s.empty()) s += ' ';
            s += static_cast<const Node*>(n)->name;
            if (n->m_pChild) s += "(" + Dump(n->m_pChild, n) + ")";
        }
        return s;
    }

    std::vector<std::string> m_Deleted;
};

TEST_F(SimpleTreeTest, FirstNodeOfAnEmptyPlaceIsAloneInEveryMode)
{
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        GxSimpleTree tree;
        tree.InsertTop(Make("A"), mode);
        EXPECT_EQ(Dump(tree.GetTop()), "A");
        // A null sibling or parent means the top level.
        GxSimpleTree tree2;
        tree2.InsertNext(nullptr, Make("B"), mode);
        EXPECT_EQ(Dump(tree2.GetTop()), "B");
        GxSimpleTree tree3;
        tree3.InsertChild(nullptr, Make("C"), mode);
        EXPECT_EQ(Dump(tree3.GetTop()), "C");
        // An empty child place: the child is the parent's only child.
        Node* parent = static_cast<Node*>(tree.GetTop());
        tree.InsertChild(parent, Make("K"), mode);
        EXPECT_EQ(Dump(tree.GetTop()), "A(K)");
    }
}

struct ModeCase
{
    const char* place;  // "top", "next" (after S), "child" (of P)
    int mode;
    const char* expected;
    const char* deleted;  // nodes the owning tree deleted at the insertion
};

class SimpleTreeModeTest : public SimpleTreeTest, public ::testing::WithParamInterface<ModeCase>
{
};

TEST_P(SimpleTreeModeTest, InsertsAtAnOccupiedPlace)
{
    const ModeCase& c = GetParam();
    GxSimpleTree tree;
    // Top level: S A(X) B; the new node N carries a child M of its own.
    Node* s = Make("S");
    Node* a = Make("A");
    Node* b = Make("B");
    tree.InsertTop(b, 1);
    tree.InsertTop(a, 1);
    tree.InsertChild(a, Make("X"), 1);
    tree.InsertTop(s, 1);
    ASSERT_EQ(Dump(tree.GetTop()), "S A(X) B");
    Node* p = Make("P");
    tree.InsertChild(s, p, 1);  // S(P)
    tree.InsertChild(p, Make("D"), 1);
    tree.InsertNext(p->m_pChild, Make("E"), 1);  // P(D E)

    Node* n = Make("N");
    n->m_pChild = Make("M");
    n->m_pChild->m_pParent = n;
    std::string place = c.place;
    if (place == "top") {
        tree.InsertTop(n, c.mode);
    } else if (place == "next") {
        tree.InsertNext(s, n, c.mode);
    } else {
        tree.InsertChild(p, n, c.mode);
    }
    EXPECT_EQ(Dump(tree.GetTop()), c.expected);
    std::string deleted;
    for (const auto& d : m_Deleted) deleted += d;
    EXPECT_EQ(deleted, c.deleted);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SimpleTreeModeTest,
    ::testing::Values(
        // insert: in front of the chain, or between the sibling and its next
        ModeCase{"top", 1, "N(M) S(P(D E)) A(X) B", ""},
        ModeCase{"next", 1, "S(P(D E)) N(M) A(X) B", ""},
        ModeCase{"child", 1, "S(P(N(M) D E)) A(X) B", ""},
        // adopt: the chain that was there becomes the node's first children (its own follow)
        ModeCase{"top", 2, "N(S(P(D E)) A(X) B M)", ""},
        ModeCase{"next", 2, "S(P(D E)) N(A(X) B M)", ""},
        ModeCase{"child", 2, "S(P(N(D E M))) A(X) B", ""},
        // replace: the old chain leaves the tree and, since the tree owns it, is deleted
        // children first
        ModeCase{"top", 0, "N(M)", "DEPSXAB"},
        ModeCase{"next", 0, "S(P(D E)) N(M)", "XAB"},
        ModeCase{"child", 0, "S(P(N(M))) A(X) B", "DE"}),
    [](const auto& info) { return std::string(info.param.place) + "_mode" + std::to_string(info.param.mode); });

TEST_F(SimpleTreeTest, ReplaceKeepsTheNodesOwnFollowingChainUnderTheNewParent)
{
    GxSimpleTree tree;
    Node* p = Make("P");
    tree.InsertTop(p, 1);
    tree.InsertChild(p, Make("OLD"), 1);
    Node* n = Make("N");
    Node* f = Make("F");
    n->m_pNext = f;
    f->m_pPrev = n;
    tree.InsertChild(p, n, 0);
    EXPECT_EQ(Dump(tree.GetTop()), "P(N F)");
    EXPECT_EQ(m_Deleted, std::vector<std::string>{"OLD"});
}

TEST_F(SimpleTreeTest, NonOwningTreeNeitherDeletesReplacedChainsNorNodes)
{
    std::vector<Node*> all;
    {
        GxSimpleTree tree;
        tree.SetOwnsNodes(false);
        Node* a = Make("A");
        Node* b = Make("B");
        all = {a, b};
        tree.InsertTop(a, 1);
        tree.InsertTop(b, 0);  // replaces A
        EXPECT_EQ(Dump(tree.GetTop()), "B");
        EXPECT_EQ(a->m_pPrev, nullptr);
    }
    EXPECT_TRUE(m_Deleted.empty());
    for (Node* n : all) delete n;
}

TEST_F(SimpleTreeTest, UnlinkDetachesWithoutDeleting)
{
    GxSimpleTree tree;
    EXPECT_EQ(tree.Unlink(nullptr), nullptr);

    Node* a = Make("A");
    Node* b = Make("B");
    Node* c = Make("C");
    tree.InsertTop(a, 1);
    tree.InsertNext(a, b, 1);
    tree.InsertNext(b, c, 1);
    Node* c1 = Make("C1");
    Node* c2 = Make("C2");
    tree.InsertChild(b, c2, 1);
    tree.InsertChild(b, c1, 1);
    Node* g = Make("G");
    tree.InsertChild(c1, g, 1);
    ASSERT_EQ(Dump(tree.GetTop()), "A B(C1(G) C2) C");

    // The first child of two: the second becomes first, with no previous sibling.
    EXPECT_EQ(tree.Unlink(c1), c1);
    EXPECT_EQ(Dump(tree.GetTop()), "A B(C2) C");
    EXPECT_EQ(c1->m_pParent, nullptr);
    EXPECT_EQ(c1->m_pNext, nullptr);
    EXPECT_EQ(c1->m_pChild, g);  // its children stay with it
    GxSimpleTree::DeleteChain(c1);

    // A middle top-level node, then null (the first top-level node).
    EXPECT_EQ(tree.Unlink(b), b);
    EXPECT_EQ(Dump(tree.GetTop()), "A C");
    GxSimpleTree::DeleteChain(b);
    EXPECT_EQ(tree.Unlink(nullptr), a);
    EXPECT_EQ(Dump(tree.GetTop()), "C");
    EXPECT_EQ(a->m_pNext, nullptr);
    delete a;
    EXPECT_EQ(tree.Unlink(c), c);
    EXPECT_TRUE(tree.IsEmpty());
    delete c;
    EXPECT_EQ(m_Deleted, (std::vector<std::string>{"G", "C1", "C2", "B", "A", "C"}));
}

TEST_F(SimpleTreeTest, ClearDeletesEveryNodeOnceChildrenBeforeParents)
{
    GxSimpleTree tree;
    Node* a = Make("A");
    Node* b = Make("B");
    tree.InsertTop(a, 1);
    tree.InsertNext(a, b, 1);
    Node* a1 = Make("A1");
    Node* a2 = Make("A2");
    tree.InsertChild(a, a1, 1);
    tree.InsertNext(a1, a2, 1);
    tree.InsertChild(a1, Make("A1x"), 1);
    tree.InsertChild(a2, Make("A2x"), 1);
    tree.InsertChild(b, Make("B1"), 1);
    tree.Clear();
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(m_Deleted, (std::vector<std::string>{"A1x", "A1", "A2x", "A2", "A", "B1", "B"}));
    tree.Clear();  // a second Clear has nothing to do
    EXPECT_EQ(m_Deleted.size(), 7u);
}

TEST_F(SimpleTreeTest, DestructorClearsLongChainsAndDeepTreesWithoutRecursion)
{
    constexpr int kCount = 200000;
    int deleted = 0;
    struct Counted : GxSimpleNode
    {
        explicit Counted(int* c) : count(c) {}
        ~Counted() override { ++*count; }
        int* count;
    };
    {
        GxSimpleTree wide;
        GxSimpleNode* last = nullptr;
        for (int i = 0; i < kCount; ++i) {
            auto* n = new Counted(&deleted);
            wide.InsertNext(last, n, 1);
            last = n;
        }
        GxSimpleTree deep;
        GxSimpleNode* parent = nullptr;
        for (int i = 0; i < kCount; ++i) {
            auto* n = new Counted(&deleted);
            deep.InsertChild(parent, n, 1);
            parent = n;
        }
    }
    EXPECT_EQ(deleted, 2 * kCount);
}

}  // namespace
