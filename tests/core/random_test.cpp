#include "core/GxRandom.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

TEST(GxMersenneTwister, MatchesTheStandardSequence)
{
    GxMersenneTwister unseeded;
    EXPECT_FALSE(unseeded.IsSeeded());
    EXPECT_EQ(unseeded.NextU32(), 3499211612u);  // seeds itself with 5489
    EXPECT_TRUE(unseeded.IsSeeded());

    GxMersenneTwister mt;
    mt.Seed(5489);
    uint32_t v = 0;
    for (int i = 0; i < 10000; ++i) v = mt.NextU32();
    EXPECT_EQ(v, 4123659995u);

    for (uint32_t seed : {0u, 1u, 0xFFFFFFFFu, 20240601u}) {
        GxMersenneTwister ours;
        ours.Seed(seed);
        std::mt19937 ref(seed);
        for (int i = 0; i < 1500; ++i) ASSERT_EQ(ours.NextU32(), ref()) << "seed " << seed << " draw " << i;
    }

    // Seeding again restarts the sequence.
    mt.Seed(5489);
    EXPECT_EQ(mt.NextU32(), 3499211612u);
}

TEST(GxRandomInt, NonPositiveAndOneGiveZero)
{
    GxRandom r;
    GxMersenneTwister twin;
    r.Seed(77);
    twin.Seed(77);
    for (int32_t n : {0, -1, -5, INT_MIN}) EXPECT_EQ(r.NextInt(n), 0) << n;
    // n below 1 draws nothing: the generators are still in step.
    EXPECT_EQ(r.NextU32(), twin.NextU32());

    // n = 1 draws (its bound is 2^31) but can only give 0.
    for (int i = 0; i < 50; ++i) EXPECT_EQ(r.NextInt(1), 0);
    for (int i = 0; i < 50; ++i) twin.NextU32();
    EXPECT_EQ(r.NextU32(), twin.NextU32());
}

TEST(GxRandomInt, StaysInRangeAndCoversIt)
{
    GxRandom r;
    r.Seed(12345);
    for (int32_t n : {2, 3, 5, 7, 100, 1000, 0x3FFFFFFF, 0x40000000, 0x40000001, INT_MAX}) {
        for (int i = 0; i < 2000; ++i) {
            const int32_t v = r.NextInt(n);
            ASSERT_GE(v, 0) << n;
            ASSERT_LT(v, n) << n;
        }
    }
    // Alternating n recomputes the bound each call and must stay in range as well.
    for (int i = 0; i < 2000; ++i) {
        ASSERT_LT(r.NextInt(3), 3);
        ASSERT_LT(r.NextInt(0x50000000), 0x50000000);
    }

    std::vector<int> counts(6);
    const int draws = 60000;
    for (int i = 0; i < draws; ++i) ++counts[r.NextInt(6)];
    for (int c : counts) EXPECT_NEAR(c, draws / 6, 500);
}

TEST(GxRandomInt, AcceptedDrawsAreTheTopBitsAndRejectedOnesReuseTheirRest)
{
    // n = 3: bound = 3 << 29 = 0x60000000. A 31-bit draw below the bound gives its top two
    // bits; a draw above it leaves rest = r - bound in [0, 0x20000000), whose first slice of
    // 0x18000000 = 3 << 27 gives rest >> 27 without drawing again.
    int accepted = 0;
    int reused = 0;
    GxRandom r;
    GxMersenneTwister twin;
    for (uint32_t seed = 1; seed <= 100; ++seed) {
        r.Seed(seed);
        twin.Seed(seed);
        for (int i = 0; i < 100; ++i) {
            const uint32_t draw = twin.NextU32() >> 1;
            const int32_t got = r.NextInt(3);
            if (draw < 0x60000000u) {
                ASSERT_EQ(got, static_cast<int32_t>(draw >> 29));
                ++accepted;
            } else if (draw - 0x60000000u < 0x18000000u) {
                ASSERT_EQ(got, static_cast<int32_t>((draw - 0x60000000u) >> 27));
                ++reused;
            } else {
                break;  // deeper reuse; the twin can no longer follow cheaply
            }
        }
    }
    EXPECT_GT(accepted, 100);
    EXPECT_GT(reused, 10);

    // n above 2^30 uses no shift and its leftover range is smaller than n: a rejected draw is
    // simply replaced, so the result is the first draw below n.
    const int32_t big = 0x40000001;
    r.Seed(99);
    twin.Seed(99);
    for (int i = 0; i < 200; ++i) {
        uint32_t d;
        do {
            d = twin.NextU32() >> 1;
        } while (d >= static_cast<uint32_t>(big));
        ASSERT_EQ(r.NextInt(big), static_cast<int32_t>(d));
    }
}

TEST(GxRandom, GlobalEntryPointsShareOneSeededGenerator)
{
    GxRandomSeed(5489);
    EXPECT_TRUE(GxGetRandom().IsSeeded());
    EXPECT_EQ(GxRandomU32(), 3499211612u);
    GxRandomSeed(31337);
    std::mt19937 ref(31337);
    EXPECT_EQ(GxRandomU32(), ref());
    const int32_t v = GxRandomInt(10);
    EXPECT_GE(v, 0);
    EXPECT_LT(v, 10);
}

TEST(GxCRandom, FollowsTheRuntimeRandContract)
{
    GxCRandom r;  // seed 1, as rand() without srand()
    EXPECT_EQ(r.Next(), 41);
    EXPECT_EQ(r.Next(), 18467);
    EXPECT_EQ(r.Next(), 6334);

    r.Seed(0xDEADBEEFu);
    bool sawHigh = false;
    for (int i = 0; i < 20000; ++i) {
        const int32_t v = r.Next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, GX_RAND_MAX);
        sawHigh = sawHigh || v > 30000;
    }
    EXPECT_TRUE(sawHigh);

    GxSRand(1);
    EXPECT_EQ(GxRand(), 41);
    GxSRand(1);
    EXPECT_EQ(GxRand(), 41);
}

TEST(GxCRandom, OverrideReplacesTheGlobalDrawsUntilCleared)
{
    std::vector<int32_t> script = {0, GX_RAND_MAX, 16384};
    size_t next = 0;
    GxSetRandOverride([&] { return script[next++ % script.size()]; });
    EXPECT_EQ(GxRand(), 0);
    EXPECT_EQ(GxRand(), GX_RAND_MAX);
    EXPECT_EQ(GxRand(), 16384);
    GxSetRandOverride(nullptr);
    GxSRand(1);
    EXPECT_EQ(GxRand(), 41);
}
