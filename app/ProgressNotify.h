// The progress callback that services report through: (code, value, extra) -> int. The download
// engine raises codes 3, 4, 5 and 7; the unpack and the extraction raise 0, 1, 2, 100 and 101.
#pragma once

#include <functional>

using ProgressNotify = std::function<int(int code, unsigned value, long extra)>;
