#include "core/GxRandom.h"

#include <utility>

void GxMersenneTwister::Seed(uint32_t seed)
{
    m_State[0] = seed;
    for (uint32_t i = 1; i < 624; ++i) {
        const uint32_t prev = m_State[i - 1];
        m_State[i] = 1812433253u * (prev ^ (prev >> 30)) + i;
    }
    m_Index = 624;
    m_Seeded = true;
}

void GxMersenneTwister::Twist()
{
    constexpr uint32_t kUpper = 0x80000000u;
    constexpr uint32_t kLower = 0x7FFFFFFFu;
    constexpr uint32_t kMatrixA = 0x9908B0DFu;
    for (int i = 0; i < 624; ++i) {
        const uint32_t y = (m_State[i] & kUpper) | (m_State[(i + 1) % 624] & kLower);
        m_State[i] = m_State[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
    }
    m_Index = 0;
}

uint32_t GxMersenneTwister::NextU32()
{
    if (!m_Seeded) Seed(kDefaultSeed);
    if (m_Index >= 624) Twist();
    uint32_t y = m_State[m_Index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

int32_t GxRandom::NextInt(int32_t n)
{
    if (n < 1) return 0;
    const uint32_t un = static_cast<uint32_t>(n);
    if (n != m_LastN) {
        m_LastN = n;
        m_Bound = un;
        m_Shift = 0;
        while (m_Bound <= 0x40000000u) {
            m_Bound <<= 1;
            ++m_Shift;
        }
    }
    uint32_t r = NextU32() >> 1;
    while (r >= m_Bound) {
        // Reuse what is left of the rejected draw: it is uniform over [0, range), and slices
        // of it that are a multiple of n wide still give a uniform result.
        uint32_t rest = r - m_Bound;
        uint32_t range = 0x80000000u - m_Bound;
        uint32_t b = m_Bound;
        int s = m_Shift;
        while (range >= un) {
            while (b > range) {
                b >>= 1;
                --s;
            }
            if (rest < b) return static_cast<int32_t>(rest >> s);
            range -= b;
            rest -= b;
        }
        r = NextU32() >> 1;
    }
    return static_cast<int32_t>(r >> m_Shift);
}

GxRandom& GxGetRandom()
{
    static GxRandom random;
    return random;
}

void GxRandomSeed(uint32_t seed)
{
    GxGetRandom().Seed(seed);
}

uint32_t GxRandomU32()
{
    return GxGetRandom().NextU32();
}

int32_t GxRandomInt(int32_t n)
{
    return GxGetRandom().NextInt(n);
}

int32_t GxCRandom::Next()
{
    m_State = m_State * 214013u + 2531011u;
    return static_cast<int32_t>((m_State >> 16) & 0x7FFFu);
}

namespace {

GxCRandom& GlobalCRandom()
{
    static GxCRandom random;
    return random;
}

std::function<int32_t()>& RandOverride()
{
    static std::function<int32_t()> source;
    return source;
}

}  // namespace

void GxSRand(uint32_t seed)
{
    GlobalCRandom().Seed(seed);
}

int32_t GxRand()
{
    if (RandOverride()) return RandOverride()();
    return GlobalCRandom().Next();
}

void GxSetRandOverride(std::function<int32_t()> source)
{
    RandOverride() = std::move(source);
}
