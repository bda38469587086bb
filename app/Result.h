// Result codes that cross component boundaries: Windows HRESULT values. They are 32-bit signed
// values, so every failure is negative; they travel in a long, whose extra width changes nothing.
#pragma once

#include <cstdint>

inline constexpr long kSOk = 0;
inline constexpr long kEFail = static_cast<int32_t>(0x80004005u);
inline constexpr long kEPointer = static_cast<int32_t>(0x80004003u);
inline constexpr long kEAbort = static_cast<int32_t>(0x80004004u);
inline constexpr long kEInvalidArg = static_cast<int32_t>(0x80070057u);

inline constexpr bool Succeeded(long result) {
    return result >= 0;
}
inline constexpr bool Failed(long result) {
    return result < 0;
}
