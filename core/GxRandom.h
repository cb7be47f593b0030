// The engine's random numbers: one Mersenne Twister (MT19937) for the script's random builtin,
// and a small generator with the C runtime's rand() contract (0..32767) that the shake effects
// of actors and layers draw from.
//
// The global generators are used from the main thread only. Tests make them deterministic by
// seeding them (GxRandomSeed, GxSRand) or, for rand(), by installing an override.
#pragma once

#include <cstdint>
#include <functional>

// Standard MT19937: 624-word state, initialisation with multiplier 1812433253, standard
// tempering. Drawing from a generator that was never seeded seeds it with 5489 first.
class GxMersenneTwister
{
public:
    static constexpr uint32_t kDefaultSeed = 5489u;

    void Seed(uint32_t seed);
    bool IsSeeded() const { return m_Seeded; }
    uint32_t NextU32();

private:
    void Twist();

    uint32_t m_State[624] = {};
    int m_Index = 624;
    bool m_Seeded = false;
};

// MT19937 plus the state that the uniform integer draw keeps between calls.
class GxRandom
{
public:
    void Seed(uint32_t seed) { m_Twister.Seed(seed); }
    bool IsSeeded() const { return m_Twister.IsSeeded(); }
    uint32_t NextU32() { return m_Twister.NextU32(); }

    // A uniform integer in [0, n); 0 without drawing when n < 1. Rejection sampling on 31-bit
    // draws that reuses the leftover part of a rejected draw, so the results for a given seed
    // are fixed by the procedure, not just their distribution.
    int32_t NextInt(int32_t n);

private:
    GxMersenneTwister m_Twister;
    int32_t m_LastN = 0;   // n whose bound and shift are kept
    uint32_t m_Bound = 0;  // n << m_Shift, in 0x40000001..0x80000000
    int m_Shift = 0;
};

// The engine-wide generator and its three entry points.
GxRandom& GxGetRandom();
void GxRandomSeed(uint32_t seed);
uint32_t GxRandomU32();
int32_t GxRandomInt(int32_t n);

// Linear congruential generator with the runtime library's rand() range and constants:
// state = state x 214013 + 2531011, result = bits 16..30 of the state. Seed 1 by default, as
// rand() without srand().
class GxCRandom
{
public:
    static constexpr int32_t kMax = 32767;

    explicit GxCRandom(uint32_t seed = 1u) : m_State(seed) {}
    void Seed(uint32_t seed) { m_State = seed; }
    int32_t Next();

private:
    uint32_t m_State;
};

inline constexpr int32_t GX_RAND_MAX = GxCRandom::kMax;

// The engine's rand() and srand(): one global GxCRandom.
void GxSRand(uint32_t seed);
int32_t GxRand();
// While set, GxRand returns the override's values (expected within 0..GX_RAND_MAX) instead of
// drawing; an empty function restores the generator.
void GxSetRandOverride(std::function<int32_t()> source);
