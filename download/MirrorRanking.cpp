#include "download/MirrorRanking.h"

#include "app/BuildConfig.h"
#include "app/Log.h"

#include <algorithm>

bool IsContentDeliveryUrl(std::string_view url) {
    return url.find(build::kCdnDomain) != std::string_view::npos;
}

std::vector<UrlCfg> RankMirrors(std::vector<UrlCfg> candidates, const UrlCfg* fallback,
                                int* threadsPerMirror) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const UrlCfg& a, const UrlCfg& b) { return a.replyTime < b.replyTime; });
    std::vector<UrlCfg> ranked;
    for (const UrlCfg& candidate : candidates) {
        if (candidate.networkNotFull) {
            ranked.push_back(candidate);
        }
    }
    auto appendFallback = [&ranked, fallback]() {
        UrlCfg entry = *fallback;
        entry.replyTime = 0;
        entry.networkNotFull = false;
        ranked.push_back(entry);
    };
    if (ranked.empty()) {
        LogFormat("Download_CheckDownload: Warring, m_vecUrlCfg.size() <= 0.\n");
        LogFormat("Download_CheckDownload: Using Ama now.\n");
        if (fallback != nullptr) {
            appendFallback();
            *threadsPerMirror = kFallbackThreadsPerMirror;
        } else {
            LogFormat("Download_CheckDownload: ERROR : con't find Ama now.\n");
        }
    } else if (ranked.size() <= 2) {
        LogFormat("Download_CheckDownload: Warring, m_vecUrlCfg.size() <= 2.\n");
        LogFormat("Download_CheckDownload: Add Ama now.\n");
        if (fallback != nullptr) {
            appendFallback();
        }
    }
    if (ranked.size() > kMaxRankedMirrors) {
        ranked.resize(kMaxRankedMirrors);
    }
    return ranked;
}
