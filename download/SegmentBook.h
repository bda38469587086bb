// The segment bookkeeping of one package download: how the package is cut into ranges, which
// range a dispatcher round restarts, replaces or splits, which mirror takes over, and which
// blocks a verification sends for repair. A plain class without threads, sockets or clocks: the
// engine drives it under its locks and passes the time in, so every choice is testable with
// exact numbers.
#pragma once

#include "download/DownloadTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A damaged block is fetched again at most this often before the download fails: damage that
// three different fetches bring back comes from the mirrors or the description, not the way.
inline constexpr int kMaxRepairsPerBlock = 3;
// A transfer that stored no byte for this long has stalled and its range moves elsewhere.
inline constexpr uint32_t kStallMilliseconds = 6000;
// A range is split only when at least this much of it remains.
inline constexpr uint32_t kMinSplitBytes = 512000;
// A transfer that stored less than kSlowBytesPerSecond on average over kSlowWindowMilliseconds
// counts as stalled even though bytes trickle in. 1 KiB/s would take two weeks for a 1 GiB
// package, so nothing slower is worth waiting for; 30 s is long enough that a mirror's brief
// pause (a busy moment, a congestion back-off) does not cost it its range.
inline constexpr uint32_t kSlowWindowMilliseconds = 30000;
inline constexpr uint32_t kSlowBytesPerSecond = 1024;

struct ByteRange {
    uint32_t first = 0;
    uint32_t last = 0; // inclusive
    bool operator==(const ByteRange&) const = default;
};

// The outcome of comparing the package with its digests.
struct HashVerdict {
    bool accepted = false;
    std::vector<ByteRange> damaged; // blocks to fetch again, in order
};

class SegmentBook {
public:
    SegmentTable& Segments() { return m_segments; }
    const SegmentTable& Segments() const { return m_segments; }
    int ThreadCount() const { return m_threadCount; }

    // Cuts size bytes into perMirror x mirrors ranges (perMirror outside 1...10 counts as 2),
    // assigned to the mirrors in ranked order, round robin. A package smaller than that gets
    // one range per byte (at least one range), so no range is empty. Returns the ids to start.
    std::vector<int> Init(uint32_t size, const std::vector<std::string>& mirrors, int perMirror,
                          uint32_t now);

    // Like Init, over the given ranges only (a download that kept an earlier attempt's good
    // blocks): while fewer ranges than transfers exist, the largest is halved as long as each
    // half keeps kMinSplitBytes; while more exist, the two with the smallest gap between them
    // are joined, fetching that gap again. The ranges are assigned round robin as in Init.
    std::vector<int> InitRanges(std::vector<ByteRange> ranges,
                                const std::vector<std::string>& mirrors, int perMirror,
                                uint32_t now);

    // The running segment with the most bytes left, the lowest id on ties; -1 when none runs.
    int FindLargestRemaining() const;

    // The mirror of the fastest segment that is running, stopped or succeeded (never failed,
    // unless it failed only after completing its lowered range) whose url is not excluded; none
    // when no such segment has a speed above 0. Mirrors that ignore byte ranges are never chosen.
    std::optional<std::string> BestUrl(const std::vector<std::string>& excluded) const;
    const std::vector<std::string>& Suspects() const { return m_suspects; }

    // One dispatcher round at time now over the ranked mirrors. New segments (already in the
    // table) are listed in started. tooSlow names a transfer that stayed below the speed bound
    // while no other mirror delivers faster: the download cannot go on.
    struct Round {
        std::vector<int> started;
        int tooSlow = -1;
    };
    Round DispatchRound(uint32_t now, const std::vector<std::string>& mirrors);

    // Splits the largest remaining range for the segment succeeded when fewer segments run
    // than the download started with: the new segment's id, or -1. The dispatcher's rounds
    // and the finish check of the succeeded segment both call this; who logs is named by who.
    int SplitFor(const DownloadSegment& succeeded, uint32_t now, const char* who);

    // A mirror that answered a range request with the whole file (or with more bytes than
    // asked) takes over no range, split or repair any more. Logged once per mirror.
    void NoteIgnoresRanges(const std::string& url);
    bool IgnoresRanges(const std::string& url) const;

    // The id of the first segment that still has a transfer handle, -1 when none has.
    int FirstActive() const;

    // Compares data with the whole digest, then block by block (the last block rule included).
    static HashVerdict Verify(const uint8_t* data, uint32_t size, const std::string& wholeHash,
                              const std::vector<std::string>& blockHashes);

    // Records that url delivered the length bytes at offset: every block they touch now holds
    // bytes of that mirror. The transfers call this for each chunk the package file took.
    void NoteDelivered(const std::string& url, uint32_t offset, uint32_t length);
    // The mirrors whose bytes the blocks of [first, last] hold, in the order first seen.
    std::vector<std::string> DeliverersOf(uint32_t first, uint32_t last) const;

    // Adds a segment that fetches [first, last] (whole blocks) again: from the fastest mirror
    // that delivered none of the bytes they hold, else, when every delivering mirror did, from
    // the fastest of those; never from a mirror that alone delivered them. Logs the choice. -1
    // when no mirror is left or the block was repaired too often.
    int AddRepair(uint32_t first, uint32_t last, uint32_t now);

    // Adds a segment copied from model for [start, end] on url with the next id.
    int AddSegment(const DownloadSegment& model, const std::string& url, uint32_t start,
                   uint32_t end, uint32_t now);

    // Every status change goes through here, so the log shows each one.
    static void SetStatus(DownloadSegment* segment, int status);

private:
    std::optional<std::string> BestUrlAmong(const std::vector<std::string>& excluded,
                                            uint32_t minimumSpeed) const;
    std::string ReplacementUrl(const DownloadSegment& segment,
                               const std::vector<std::string>& mirrors) const;
    void RestartRange(DownloadSegment* segment, const std::string& url, uint32_t now, Round* round);
    // Whether a running transfer's speed window closed below the bound; opens the next window
    // when it did not.
    static bool ClosesSlowWindow(DownloadSegment* segment, uint32_t now);
    int CountRunning() const;
    // The mirrors segment id should not take its bytes from (a repair's damaging mirrors).
    std::vector<std::string> Avoided(int id) const;
    // A segment split or restarted from a repair inherits what the repair avoids.
    void InheritAvoided(int from, int to);

    SegmentTable m_segments;
    int m_threadCount = 0;
    // Repairs so far per block start.
    std::map<uint32_t, int> m_repairs;
    // Mirrors that alone delivered a block that failed its digest. They take over ranges only
    // when no other mirror delivers.
    std::vector<std::string> m_suspects;
    std::vector<std::string> m_rangeIgnorers;
    // Per repair segment, and per segment split or restarted from one, the mirrors that
    // delivered the damaged bytes it fetches again: they take over none of it while another
    // mirror can.
    std::map<int, std::vector<std::string>> m_repairAvoids;
    // Per block, the mirrors whose bytes it holds: bit i stands for m_deliverers[i]. A repair
    // rewrites its blocks whole, so starting one clears their bits.
    std::vector<std::string> m_deliverers;
    std::vector<uint32_t> m_deliveredBy;
};
