// Turning the checked mirror entries into the ranked list the scheduler spreads segments over.
#pragma once

#include "download/DownloadTypes.h"

#include <string_view>
#include <vector>

inline constexpr size_t kMaxRankedMirrors = 5;
inline constexpr int kFallbackThreadsPerMirror = 5;

// Whether url belongs to the content-delivery network (its domain occurs in the text).
bool IsContentDeliveryUrl(std::string_view url);

// Sorts the candidates by reply time (ties keep their order), keeps those whose load probe said
// they take downloads, adds the content-delivery fallback when fewer than three remain (alone
// with fallbackThreadsPerMirror segments when none does), and cuts the list to five.
// fallback may be null; *threadsPerMirror changes only in the fallback-alone case.
std::vector<UrlCfg> RankMirrors(std::vector<UrlCfg> candidates, const UrlCfg* fallback,
                                int* threadsPerMirror);
