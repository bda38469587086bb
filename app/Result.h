// Result codes that cross component boundaries (Windows HRESULT values).
#pragma once

inline constexpr long kSOk = 0;
inline constexpr long kEFail = static_cast<long>(0x80004005u);
inline constexpr long kEPointer = static_cast<long>(0x80004003u);
inline constexpr long kEAbort = static_cast<long>(0x80004004u);
inline constexpr long kEInvalidArg = static_cast<long>(0x80070057u);
