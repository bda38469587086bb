#include "download/SegmentBook.h"

#include "app/Md5.h"
#include "download/CfgWriter.h"
#include "download/MirrorRanking.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::vector<std::string> kThree = {"http://m1/download/p", "http://m2/download/p",
                                         "http://m3/download/p"};

TEST(SegmentBook, SixSegmentsOverThreeMirrors) {
    SegmentBook book;
    const std::vector<int> ids = book.Init(10000000, kThree, 2, 100);
    ASSERT_EQ(ids, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(book.ThreadCount(), 6);
    const auto& s = book.Segments();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(s.at(i).start, 1666666u * i);
        EXPECT_EQ(s.at(i).current, s.at(i).start);
        EXPECT_EQ(s.at(i).end, 1666666u * i + 1666665);
        EXPECT_EQ(s.at(i).lastDataTime, 100u);
    }
    EXPECT_EQ(s.at(5).start, 8333330u);
    EXPECT_EQ(s.at(5).end, 9999999u);
    const char* order[] = {"m1", "m2", "m3", "m1", "m2", "m3"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NE(s.at(i).url.find(order[i]), std::string::npos) << i;
    }
}

TEST(SegmentBook, ThreadsPerMirrorOutsideRangeCountsAsTwo) {
    for (int perMirror : {0, 11, -3}) {
        SegmentBook book;
        EXPECT_EQ(book.Init(1000000, kThree, perMirror, 0).size(), 6u) << perMirror;
    }
    SegmentBook book;
    EXPECT_EQ(book.Init(1000000, {kThree[0]}, 5, 0).size(), 5u);
}

TEST(SegmentBook, PackageSmallerThanSegmentCount) {
    SegmentBook book;
    ASSERT_EQ(book.Init(4, kThree, 2, 0).size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(book.Segments().at(i).start, static_cast<uint32_t>(i));
        EXPECT_EQ(book.Segments().at(i).end, static_cast<uint32_t>(i));
    }
    EXPECT_TRUE(book.Init(0, kThree, 2, 0).empty());
}

TEST(SegmentBook, FindLargestRemainingPrefersLowestIdOnTies) {
    SegmentBook book;
    book.Init(6000, kThree, 2, 0); // six ranges of 1000 bytes
    auto& s = book.Segments();
    EXPECT_EQ(book.FindLargestRemaining(), 0);
    s.at(0).current += 10;
    EXPECT_EQ(book.FindLargestRemaining(), 1);
    s.at(1).status = E_Status_Succeed;
    s.at(2).status = E_Status_Fail;
    s.at(3).current += 500;
    EXPECT_EQ(book.FindLargestRemaining(), 4);
    for (auto& [id, segment] : s) {
        segment.status = E_Status_StopByDispatch;
    }
    EXPECT_EQ(book.FindLargestRemaining(), -1);
}

// One finished segment while the other still has `left` bytes to go.
SegmentBook::Round SplitWith(uint32_t left, SegmentBook* book) {
    book->Init(2000000, {kThree[0], kThree[1]}, 1, 0);
    auto& s = book->Segments();
    s.at(0).status = E_Status_Succeed;
    s.at(0).current = 1000000;
    s.at(0).speed = 500;
    s.at(1).current = s.at(1).end - left;
    s.at(1).speed = 100;
    s.at(1).lastDataTime = 1000;
    return book->DispatchRound(2000, {kThree[0], kThree[1]});
}

TEST(SegmentBook, SplitsTheLargestRemainderInHalf) {
    SegmentBook book;
    const SegmentBook::Round round = SplitWith(600000, &book);
    ASSERT_EQ(round.started, std::vector<int>{2});
    const auto& s = book.Segments();
    const uint32_t donorCurrent = 1999999 - 600000;
    EXPECT_EQ(s.at(2).start, donorCurrent + 300000);
    EXPECT_EQ(s.at(2).current, donorCurrent + 300000);
    EXPECT_EQ(s.at(2).end, 1999999u);
    EXPECT_EQ(s.at(1).end, 1999999u - 300000);
    EXPECT_EQ(s.at(2).url, kThree[0]); // the fastest mirror other than the donor's

    SegmentBook refused;
    EXPECT_TRUE(SplitWith(500000, &refused).started.empty());
    EXPECT_EQ(refused.Segments().size(), 2u);
}

// The finish check of a succeeded segment splits at once with the same rule; a mirror that
// ignores ranges gets no split-off range, and then neither does the succeeded segment's own.
TEST(SegmentBook, SplitForASucceededSegmentSkipsRangeIgnoringMirrors) {
    SegmentBook book;
    book.Init(3000000, kThree, 1, 0);
    auto& s = book.Segments();
    s.at(0).status = E_Status_Succeed;
    s.at(0).current = 1000000;
    s.at(0).speed = 500;
    s.at(1).current = 1100000; // 899 999 left, the largest
    s.at(1).speed = 100;
    s.at(2).current = 2500000;
    s.at(2).speed = 900;
    book.NoteIgnoresRanges(kThree[2]);
    EXPECT_TRUE(book.IgnoresRanges(kThree[2]));
    EXPECT_EQ(book.BestUrl({}), kThree[0]);
    ASSERT_EQ(book.SplitFor(s.at(0), 10, "test"), 3);
    EXPECT_EQ(s.at(3).url, kThree[0]); // m3 is faster, but ignores ranges
    EXPECT_EQ(s.at(3).start, 1100000u + 449999);
    EXPECT_EQ(s.at(1).end, 1999999u - 449999);
    // As many running as at the start: no further split.
    EXPECT_EQ(book.SplitFor(s.at(0), 10, "test"), -1);

    SegmentBook alone;
    alone.Init(2000000, {kThree[0], kThree[1]}, 1, 0);
    alone.Segments().at(0).status = E_Status_Succeed;
    alone.Segments().at(0).current = 1000000;
    alone.NoteIgnoresRanges(kThree[0]);
    EXPECT_EQ(alone.SplitFor(alone.Segments().at(0), 10, "test"), -1);
    alone.NoteIgnoresRanges(kThree[0]); // noted once
}

TEST(SegmentBook, FailedAndStalledRangesMoveToTheFastestOtherMirror) {
    SegmentBook book;
    book.Init(3000000, kThree, 1, 0);
    auto& s = book.Segments();
    s.at(0).status = E_Status_Fail;
    s.at(0).current = 1000;
    s.at(1).speed = 900;
    s.at(1).lastDataTime = 7000;
    s.at(2).speed = 400;
    s.at(2).current = 2500000;
    s.at(2).lastDataTime = 1000; // no data for 6 s at now = 7000
    const SegmentBook::Round round = book.DispatchRound(7000, kThree);
    ASSERT_EQ(round.tooSlow, -1);
    ASSERT_EQ(round.started, (std::vector<int>{3, 4}));
    EXPECT_EQ(s.at(0).status, E_Status_StopByDispatch);
    EXPECT_EQ(s.at(3).start, 1000u);
    EXPECT_EQ(s.at(3).end, 999999u);
    EXPECT_EQ(s.at(3).url, kThree[1]);
    EXPECT_EQ(s.at(2).status, E_Status_StopByDispatch);
    EXPECT_EQ(s.at(2).end, 2500000u);
    EXPECT_EQ(s.at(4).start, 2500000u);
    EXPECT_EQ(s.at(4).end, 2999999u);
    EXPECT_EQ(s.at(4).url, kThree[1]);

    // A failed segment whose range is already complete is only marked.
    SegmentBook complete;
    complete.Init(1000, {kThree[0]}, 1, 0);
    complete.Segments().at(0).status = E_Status_Fail;
    complete.Segments().at(0).current = 1000;
    EXPECT_TRUE(complete.DispatchRound(2000, {kThree[0]}).started.empty());
    EXPECT_EQ(complete.Segments().at(0).status, E_Status_StopByDispatch);
}

// During an outage no mirror delivers: a failed range goes to the next mirror in rank, round
// robin, and a lone mirror takes its own range again; nothing gives up by count.
TEST(SegmentBook, WithoutADeliveringMirrorRangesRotateAndNeverGiveUp) {
    SegmentBook book;
    book.Init(2000, kThree, 1, 0);
    book.Segments().at(0).status = E_Status_StopByDispatch;
    book.Segments().at(1).status = E_Status_StopByDispatch;
    std::vector<std::string> urls;
    for (int round = 0; round < 6; ++round) {
        // The range's latest transfer failed without a byte.
        book.Segments().rbegin()->second.status = E_Status_Fail;
        const SegmentBook::Round r = book.DispatchRound(2000 * (round + 1), kThree);
        ASSERT_EQ(r.tooSlow, -1);
        ASSERT_EQ(r.started.size(), 1u) << round;
        urls.push_back(book.Segments().at(r.started[0]).url);
    }
    EXPECT_EQ(urls, (std::vector<std::string>{kThree[0], kThree[1], kThree[2], kThree[0], kThree[1],
                                              kThree[2]}));

    SegmentBook alone;
    alone.Init(2000, {kThree[0]}, 1, 0);
    for (int round = 0; round < 40; ++round) {
        alone.Segments().rbegin()->second.status = E_Status_Fail;
        const SegmentBook::Round r = alone.DispatchRound(2000 * (round + 1), {kThree[0]});
        ASSERT_EQ(r.started.size(), 1u);
        EXPECT_EQ(alone.Segments().at(r.started[0]).url, kThree[0]);
    }
}

// A transfer below 1 KiB/s over its 30 s window moves to a faster mirror; with none, the round
// names it, and the download ends. A fast enough window opens the next one.
TEST(SegmentBook, TrickleMovesToAFasterMirrorOrEndsTheDownload) {
    SegmentBook book;
    book.Init(3000000, kThree, 1, 0);
    auto& s = book.Segments();
    for (auto& [id, segment] : s) {
        segment.lastDataTime = 29500; // bytes keep arriving: no stall
    }
    s.at(0).windowBytes = 2 * 30;        // 2 bytes a second
    s.at(1).windowBytes = 30 * 1024 + 1; // just above the bound
    s.at(1).speed = 2000;
    s.at(2).windowBytes = 30 * 1024 - 1; // just below, but it is not the only one
    s.at(2).speed = 500;
    SegmentBook::Round round = book.DispatchRound(29999, kThree);
    EXPECT_TRUE(round.started.empty()); // the window has not closed yet
    round = book.DispatchRound(30000, kThree);
    ASSERT_EQ(round.tooSlow, -1);
    ASSERT_EQ(round.started, (std::vector<int>{3, 4}));
    EXPECT_EQ(s.at(3).url, kThree[1]);
    EXPECT_EQ(s.at(4).url, kThree[1]);
    EXPECT_EQ(s.at(0).status, E_Status_StopByDispatch);
    EXPECT_EQ(s.at(1).status, E_Status_Runing);
    EXPECT_EQ(s.at(1).windowStart, 30000u);
    EXPECT_EQ(s.at(1).windowBytes, 0u);

    SegmentBook alone;
    alone.Init(3000000, {kThree[0]}, 1, 0);
    alone.Segments().at(0).lastDataTime = 30000;
    alone.Segments().at(0).windowBytes = 60;
    alone.Segments().at(0).speed = 2;
    EXPECT_EQ(alone.DispatchRound(30000, {kThree[0]}).tooSlow, 0);
}

// A download that kept the good blocks of an earlier attempt fetches only the missing ranges,
// cut or joined to the number of transfers.
TEST(SegmentBook, InitRangesCutsAndJoinsTheMissingRanges) {
    SegmentBook book;
    const std::vector<int> ids =
        book.InitRanges({{0, 1048575}, {3145728, 5242879}}, {kThree[0], kThree[1]}, 1, 7);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(book.Segments().at(0).start, 0u);
    EXPECT_EQ(book.Segments().at(1).start, 3145728u);
    EXPECT_EQ(book.Segments().at(1).end, 5242879u);
    EXPECT_EQ(book.ThreadCount(), 2);

    SegmentBook split;
    split.InitRanges({{1048576, 5242879}}, kThree, 1, 0);
    ASSERT_EQ(split.Segments().size(), 3u);
    EXPECT_EQ(split.Segments().at(0).end + 1, split.Segments().at(1).start);
    EXPECT_EQ(split.Segments().at(2).end, 5242879u);
    EXPECT_EQ(split.Segments().at(2).url, kThree[2]);

    SegmentBook joined;
    joined.InitRanges({{0, 9}, {100, 109}, {1000, 1009}}, {kThree[0]}, 2, 0);
    ASSERT_EQ(joined.Segments().size(), 2u);
    EXPECT_EQ(joined.Segments().at(0).end, 109u); // the smaller gap was fetched again
    EXPECT_EQ(joined.Segments().at(1).start, 1000u);
}

TEST(SegmentBook, BlockTables) {
    // 3 500 000 bytes: three full blocks and block 3 from 3 145 728 to 3 499 999.
    std::string data(3500000, 'x');
    PackageDescription d = DescribePackage(data.data(), data.size(), {});
    ASSERT_EQ(d.blockHashes.size(), 4u);
    EXPECT_EQ(d.blockHashes[3], Md5HexUpper(data.data() + 3145728, 3500000 - 3145728));
    data[3499999] = 'y';
    HashVerdict v = SegmentBook::Verify(reinterpret_cast<const uint8_t*>(data.data()), 3500000,
                                        d.wholeHash, d.blockHashes);
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.damaged, (std::vector<ByteRange>{{3145728, 3499999}}));

    // Exactly 2 097 152 bytes: block 1 is the last block.
    std::string two(2097152, 'z');
    PackageDescription d2 = DescribePackage(two.data(), two.size(), {});
    ASSERT_EQ(d2.blockHashes.size(), 2u);
    two[2097151] = 'q';
    v = SegmentBook::Verify(reinterpret_cast<const uint8_t*>(two.data()), 2097152, d2.wholeHash,
                            d2.blockHashes);
    EXPECT_EQ(v.damaged, (std::vector<ByteRange>{{1048576, 2097151}}));
}

TEST(SegmentBook, OnlyTheDamagedBlockIsRepaired) {
    std::string data = std::string(4 * 1048576, 'a');
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7 + i / 1048576);
    }
    const PackageDescription d = DescribePackage(data.data(), data.size(), {});
    data[1048576 + 17] ^= 1;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    HashVerdict v = SegmentBook::Verify(bytes, 4 * 1048576, d.wholeHash, d.blockHashes);
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.damaged, (std::vector<ByteRange>{{1048576, 2097151}}));
    data[1048576 + 17] ^= 1;
    EXPECT_TRUE(SegmentBook::Verify(bytes, 4 * 1048576, d.wholeHash, d.blockHashes).accepted);

    // A wrong whole digest without block digests is accepted; lower case never matches.
    EXPECT_TRUE(SegmentBook::Verify(bytes, 4 * 1048576, "WRONG", {}).accepted);
    std::string lower = d.wholeHash;
    for (char& c : lower) {
        c = static_cast<char>(tolower(c));
    }
    std::vector<std::string> lowerBlocks = d.blockHashes;
    for (auto& h : lowerBlocks) {
        for (char& c : h) {
            c = static_cast<char>(tolower(c));
        }
    }
    v = SegmentBook::Verify(bytes, 4 * 1048576, lower, lowerBlocks);
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.damaged.size(), 4u);
}

// Every range of the book delivered whole by its own mirror, speeds as given.
void DeliverEveryRange(SegmentBook* book, const std::vector<uint32_t>& speeds) {
    for (auto& [id, segment] : book->Segments()) {
        book->NoteDelivered(segment.url, segment.start, segment.end + 1 - segment.start);
        segment.current = segment.end + 1;
        segment.status = E_Status_Succeed;
        segment.speed = speeds.at(static_cast<size_t>(id));
    }
}

// A repair that came back whole from its mirror (and was damaged again).
void DeliverRepair(SegmentBook* book, int id) {
    DownloadSegment& repair = book->Segments().at(id);
    book->NoteDelivered(repair.url, repair.start, repair.end + 1 - repair.start);
    repair.current = repair.end + 1;
    repair.status = E_Status_Succeed;
}

TEST(SegmentBook, DeliverersArePerBlockAndARepairStartsThemAfresh) {
    SegmentBook book;
    book.Init(4 * 1048576, kThree, 1, 0);
    book.NoteDelivered(kThree[1], 1048576 - 10, 20); // across the end of block 0
    book.NoteDelivered(kThree[2], 1048576 + 5, 1);
    book.NoteDelivered(kThree[0], 3 * 1048576, 0); // nothing stored, nothing recorded
    EXPECT_EQ(book.DeliverersOf(0, 1048575), std::vector<std::string>{kThree[1]});
    EXPECT_EQ(book.DeliverersOf(1048576, 2097151),
              (std::vector<std::string>{kThree[1], kThree[2]}));
    EXPECT_TRUE(book.DeliverersOf(3 * 1048576, 4 * 1048576 - 1).empty());
    for (auto& [id, segment] : book.Segments()) {
        segment.speed = 10;
    }
    const int repair = book.AddRepair(1048576, 2097151, 0);
    ASSERT_GE(repair, 0);
    EXPECT_EQ(book.Segments().at(repair).url, kThree[0]);
    EXPECT_TRUE(book.DeliverersOf(1048576, 2097151).empty());
    EXPECT_EQ(book.DeliverersOf(0, 1048575), std::vector<std::string>{kThree[1]}); // untouched
}

TEST(SegmentBook, RepairComesFromAMirrorThatDeliveredNoneOfTheBlock) {
    SegmentBook book;
    book.Init(4 * 1048576, kThree, 1, 0);
    // m3 fastest, m1 slowest: the only mirror that sent nothing of block 2 is the slowest.
    DeliverEveryRange(&book, {1000, 2000, 3000});
    // Block 2 (2 097 152 ...) straddles the ranges of m2 and m3.
    ASSERT_EQ(book.DeliverersOf(2097152, 3145727),
              (std::vector<std::string>{kThree[1], kThree[2]}));
    const int id = book.AddRepair(2097152, 3145727, 0);
    ASSERT_GE(id, 0);
    EXPECT_EQ(book.Segments().at(id).url, kThree[0]);
    EXPECT_TRUE(book.Suspects().empty()); // two mirrors sent it: neither is to blame yet
    // The repair brought the damage back: m1 alone delivered it now, so it is blamed and the
    // fastest other mirror repairs; then that one, and the last is the third choice.
    DeliverRepair(&book, id);
    const int again = book.AddRepair(2097152, 3145727, 0);
    ASSERT_GE(again, 0);
    EXPECT_EQ(book.Segments().at(again).url, kThree[2]);
    EXPECT_EQ(book.Suspects(), std::vector<std::string>{kThree[0]});
    DeliverRepair(&book, again);
    const int third = book.AddRepair(2097152, 3145727, 0);
    ASSERT_GE(third, 0);
    EXPECT_EQ(book.Segments().at(third).url, kThree[1]);
    EXPECT_EQ(book.AddRepair(2097152, 3145727, 0), -1); // bounded
}

TEST(SegmentBook, NoPartOfARepairGoesToAMirrorThatDeliveredTheDamage) {
    const std::vector<std::string> four = {kThree[0], kThree[1], kThree[2], "http://m4/download/p"};
    SegmentBook book;
    book.Init(4 * 1048576 + 4000, four, 1, 0); // block 1 straddles the ranges of m1 and m2
    DeliverEveryRange(&book, {1000, 4000, 3000, 2000});
    const int repair = book.AddRepair(1048576, 2097151, 0);
    ASSERT_GE(repair, 0);
    EXPECT_EQ(book.Segments().at(repair).url, kThree[2]);
    // m2 is the fastest mirror, but it sent part of the damage: a split of the repair goes to m4.
    const int split = book.SplitFor(book.Segments().at(1), 0, "test");
    ASSERT_GE(split, 0);
    EXPECT_EQ(book.Segments().at(split).url, four[3]);
    // The repair fails: its rest is restarted on m4 as well, never on m1 or m2.
    book.Segments().at(repair).status = E_Status_Fail;
    const SegmentBook::Round round = book.DispatchRound(0, four);
    int restarts = 0;
    for (int id : round.started) { // the restart, and the round's splits of the repair's parts
        const DownloadSegment& started = book.Segments().at(id);
        EXPECT_NE(started.url, four[0]) << id;
        EXPECT_NE(started.url, four[1]) << id;
        restarts += started.start == 1048576 ? 1 : 0;
    }
    EXPECT_EQ(restarts, 1);
}

TEST(SegmentBook, WhenEveryMirrorSentPartOfTheBlockTheFastestRepairsItOnce) {
    const std::vector<std::string> two = {kThree[0], kThree[1]};
    SegmentBook book;
    book.Init(2 * 1048576 + 100, two, 1, 0); // block 1 straddles the two ranges
    DeliverEveryRange(&book, {5000, 1000});
    const int id = book.AddRepair(1048576, 2097151, 0);
    ASSERT_GE(id, 0);
    EXPECT_EQ(book.Segments().at(id).url, kThree[0]);
    // m1 repaired it and the damage came back: m1 alone sent it now and never repairs it again.
    DeliverRepair(&book, id);
    const int again = book.AddRepair(1048576, 2097151, 0);
    ASSERT_GE(again, 0);
    EXPECT_EQ(book.Segments().at(again).url, kThree[1]);
}

TEST(SegmentBook, AMirrorThatAloneDeliveredDamageNeverRepairsItNorTakesOverRanges) {
    SegmentBook book;
    book.Init(3 * 1048576, kThree, 1, 0);             // one 1 MiB range per mirror
    DeliverEveryRange(&book, {3000, 2000, 1000});     // m1 fastest
    const int repair = book.AddRepair(0, 1048575, 0); // only m1 delivered block 0
    ASSERT_GE(repair, 0);
    EXPECT_EQ(book.Segments().at(repair).url, kThree[1]);
    EXPECT_EQ(book.Suspects(), std::vector<std::string>{kThree[0]});
    EXPECT_EQ(book.BestUrl({}), kThree[1]);                     // splits and replacements avoid m1
    EXPECT_EQ(book.BestUrl({kThree[1], kThree[2]}), kThree[0]); // unless nothing else delivers

    // A single mirror cannot repair its own damage.
    SegmentBook single;
    single.Init(1048576, {kThree[0]}, 1, 0);
    DeliverEveryRange(&single, {10});
    EXPECT_EQ(single.AddRepair(0, 1048575, 0), -1);
}

UrlCfg Mirror(const char* url, uint32_t replyTime, bool notFull = true) {
    UrlCfg cfg;
    strncpy(cfg.url, url, sizeof cfg.url - 1);
    cfg.valid = true;
    cfg.replyTime = replyTime;
    cfg.networkNotFull = notFull;
    return cfg;
}

TEST(MirrorRanking, KeepsTheFiveFastestInOrderAndAddsTheFallback) {
    int perMirror = 2;
    std::vector<UrlCfg> seven;
    const uint32_t times[] = {9, 3, 3, 0, 7, 1, 5};
    for (int i = 0; i < 7; ++i) {
        seven.push_back(
            Mirror(("http://10.0.0." + std::to_string(i) + "/download/p").c_str(), times[i]));
    }
    std::vector<UrlCfg> ranked = RankMirrors(seven, nullptr, &perMirror);
    ASSERT_EQ(ranked.size(), 5u);
    const char* expected[] = {".3/", ".5/", ".1/", ".2/", ".6/"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(std::string(ranked[i].url).find(expected[i]), std::string::npos) << i;
    }
    EXPECT_EQ(perMirror, 2);

    const UrlCfg cdn = Mirror("http://1.2.3.4/download/cdn.kelto.example/p", 0, false);
    ranked = RankMirrors({Mirror("http://a/download/p", 4), Mirror("http://b/download/p", 2),
                          Mirror("http://c/download/p", 1, false)},
                         &cdn, &perMirror);
    ASSERT_EQ(ranked.size(), 3u);
    EXPECT_STREQ(ranked[0].url, "http://b/download/p");
    EXPECT_STREQ(ranked[1].url, "http://a/download/p");
    EXPECT_STREQ(ranked[2].url, cdn.url);
    EXPECT_EQ(perMirror, 2);

    ranked = RankMirrors({Mirror("http://a/download/p", 4, false)}, &cdn, &perMirror);
    ASSERT_EQ(ranked.size(), 1u);
    EXPECT_EQ(perMirror, 5);
    perMirror = 2;
    EXPECT_TRUE(
        RankMirrors({Mirror("http://a/download/p", 4, false)}, nullptr, &perMirror).empty());
    EXPECT_TRUE(IsContentDeliveryUrl(cdn.url));
}

} // namespace
