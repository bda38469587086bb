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

// A range whose transfer failed or stalled this many times in a row without storing a byte, or
// this many times in all, is given up: the download then fails instead of retrying for ever.
inline constexpr int kMaxRestartsWithoutProgress = 3;
inline constexpr int kMaxRestartsPerRange = 30;
// A damaged block is fetched again at most this often before the download fails.
inline constexpr int kMaxRepairsPerBlock = 3;
// The dispatcher's thresholds.
inline constexpr uint32_t kStallMilliseconds = 6000;
inline constexpr uint32_t kMinSplitBytes = 512000;

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

    // The running segment with the most bytes left, the lowest id on ties; -1 when none runs.
    int FindLargestRemaining() const;

    // The mirror of the fastest segment that is running, stopped or succeeded (never failed)
    // whose url is not excluded; none when no such segment has a speed above 0.
    // Mirrors that ignore byte ranges are never chosen.
    std::optional<std::string> BestUrl(const std::vector<std::string>& excluded) const;
    const std::vector<std::string>& Suspects() const { return m_suspects; }

    // One dispatcher round at time now over mirrorCount ranked mirrors. New segments (already
    // in the table) are listed in started; errorStop ends the download.
    struct Round {
        std::vector<int> started;
        bool errorStop = false;
        int errorId = -1;
    };
    Round DispatchRound(uint32_t now, size_t mirrorCount);

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

    // Adds a segment that fetches [first, last] again from the fastest mirror that did not
    // deliver those bytes before. -1 when no mirror is left or the block was repaired too often.
    int AddRepair(uint32_t first, uint32_t last, uint32_t now);

    // Adds a segment copied from model for [start, end] on url with the next id.
    int AddSegment(const DownloadSegment& model, const std::string& url, uint32_t start,
                   uint32_t end, uint32_t now);

    // Every status change goes through here, so the log shows each one.
    static void SetStatus(DownloadSegment* segment, int status);

private:
    std::optional<std::string> BestUrlAmong(const std::vector<std::string>& excluded) const;
    std::optional<std::string> ReplacementUrl(const DownloadSegment& segment,
                                              size_t mirrorCount) const;
    bool RestartRange(DownloadSegment* segment, const std::string& url, uint32_t now, Round* round);
    int CountRunning() const;

    SegmentTable m_segments;
    int m_threadCount = 0;
    // Repairs so far per block start, and the mirrors that delivered them.
    std::map<uint32_t, int> m_repairs;
    // Mirrors that alone delivered a block that failed its digest. They take over ranges only
    // when no other mirror delivers.
    std::vector<std::string> m_suspects;
    std::map<uint32_t, std::vector<std::string>> m_repairMirrors;
    std::vector<std::string> m_rangeIgnorers;
};
