#pragma once
#include <cstdint>
#include <limits>

// A whole-numbered float as a 32-bit integer, clamped to the range: a plain
// conversion of an out-of-range value is undefined. 2147483520 is the largest
// float below 2^31; from there on the result is INT32_MAX.
inline int32_t SaturateToInt32(float wholeNumber) {
    if (wholeNumber >= 2147483520.0f)
        return std::numeric_limits<int32_t>::max();
    if (wholeNumber <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(wholeNumber);
}
