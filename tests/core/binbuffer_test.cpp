// The reference-counted byte buffer: creation, zero fill, counting and release.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/GxBinBuffer.h"

namespace {

void ExpectEmpty(const GxBinBuffer& b)
{
    EXPECT_EQ(b.GetBuffer(), nullptr);
    EXPECT_EQ(b.GetSize(), 0u);
    EXPECT_EQ(b.GetRefCount(), 0u);
    EXPECT_EQ(b.GetFirstByte(), 0);
}

TEST(GxBinBuffer, DefaultIsEmpty)
{
    GxBinBuffer b;
    ExpectEmpty(b);
}

TEST(GxBinBuffer, CreatedBlockIsZeroFilledWithCountOne)
{
    GxBinBuffer b;
    uint8_t* p = b.Create(4096);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p, b.GetBuffer());
    EXPECT_EQ(b.GetSize(), 4096u);
    EXPECT_EQ(b.GetRefCount(), 1u);
    EXPECT_TRUE(std::all_of(p, p + 4096, [](uint8_t v) { return v == 0; }));

    GxBinBuffer sized(16);
    EXPECT_EQ(sized.GetSize(), 16u);
    EXPECT_EQ(sized.GetRefCount(), 1u);
    EXPECT_EQ(sized.GetFirstByte(), 0);
}

TEST(GxBinBuffer, ZeroSizeHasCountOneAndFirstByteZero)
{
    GxBinBuffer b;
    b.Create(0);
    EXPECT_EQ(b.GetSize(), 0u);
    EXPECT_EQ(b.GetRefCount(), 1u);
    EXPECT_EQ(b.GetFirstByte(), 0);
    b.Release();
    ExpectEmpty(b);
}

TEST(GxBinBuffer, FirstByteChoosesTheReader)
{
    GxBinBuffer b(3);
    b.GetBuffer()[0] = 'T';
    EXPECT_EQ(b.GetFirstByte(), 84);
    b.GetBuffer()[0] = 0xFE;
    EXPECT_EQ(b.GetFirstByte(), 0xFE);
}

TEST(GxBinBuffer, CreateReplacesTheOldBlock)
{
    GxBinBuffer b(8);
    b.GetBuffer()[0] = 0x55;
    b.AddRef();
    b.AddRef();
    uint8_t* p = b.Create(32);
    EXPECT_EQ(b.GetSize(), 32u);
    EXPECT_EQ(b.GetRefCount(), 1u) << "a new block starts with one reference";
    EXPECT_EQ(p[0], 0) << "the new block is zero-filled";
}

TEST(GxBinBuffer, ReleaseCountsDownAndFreesAtZero)
{
    GxBinBuffer fresh;
    fresh.Release();
    ExpectEmpty(fresh);

    GxBinBuffer b(10);
    b.AddRef();
    EXPECT_EQ(b.GetRefCount(), 2u);
    b.Release();
    EXPECT_EQ(b.GetRefCount(), 1u);
    EXPECT_NE(b.GetBuffer(), nullptr);
    EXPECT_EQ(b.GetSize(), 10u);
    b.Release();
    ExpectEmpty(b);
    b.Release();  // a second release on the emptied buffer does nothing
    ExpectEmpty(b);

    // The object stays usable after its block was freed.
    ASSERT_NE(b.Create(5), nullptr);
    EXPECT_EQ(b.GetRefCount(), 1u);
}

TEST(GxBinBuffer, ClearEmptiesWhateverTheCount)
{
    GxBinBuffer b(10);
    b.AddRef();
    b.Clear();
    ExpectEmpty(b);
}

TEST(GxBinBuffer, DerivedBuffersAreDestroyedThroughTheBase)
{
    struct Derived : GxBinBuffer
    {
        explicit Derived(bool* flag) : GxBinBuffer(4), m_Flag(flag) {}
        ~Derived() override { *m_Flag = true; }
        bool* m_Flag;
    };
    bool destroyed = false;
    GxBinBuffer* b = new Derived(&destroyed);
    delete b;
    EXPECT_TRUE(destroyed);
}

}  // namespace
