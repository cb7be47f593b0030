// The easing curves shared by key-frame motions and actor actions, in their scalar forms.
//
// Each takes the linear progress f (0..1), the curve parameter p and the two end values, and
// returns a + (b - a) * g(f). Everything is computed in single precision with single-precision
// constants, so stored motions and actions evaluate to the same floats on every machine
// (the build keeps float expressions uncontracted).
#pragma once

#include <math.h>

inline constexpr float GxNcPi = 3.14159274f;   // the float nearest pi
inline constexpr float GxNc2Pi = 6.28318548f;  // the float nearest 2 pi

// Power curve: p > 0 starts fast and ends slowly, g = 1 - (1 - f)^(4p + 1); p <= 0 starts
// slowly, g = f^(1 - 4p); p = 0 is linear.
inline float GxInterpolatePowerEase(float f, float p, float a, float b)
{
    float g;
    if (p > 0.0f) {
        const float e = 4.0f * p + 1.0f;
        g = 1.0f - powf(1.0f - f, e);
    } else {
        const float e = 1.0f - 4.0f * p;
        g = powf(f, e);
    }
    return a + (b - a) * g;
}

// Half-wave sine curve: g = f + sin(pi f) * p / pi.
inline float GxInterpolateSineEase(float f, float p, float a, float b)
{
    const float angle = f * GxNcPi;
    const float s = sinf(angle);
    const float g = f + s * p / GxNcPi;
    return a + (b - a) * g;
}

// Full-wave sine curve: g = f + sin(2 pi f) * p / (2 pi).
inline float GxInterpolateSine2Ease(float f, float p, float a, float b)
{
    const float angle = f * GxNc2Pi;
    const float s = sinf(angle);
    const float g = f + s * p / GxNc2Pi;
    return a + (b - a) * g;
}
