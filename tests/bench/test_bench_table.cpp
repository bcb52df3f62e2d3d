// The benchmark table: medians, spreads, how each kind of goal is judged, and the markdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "bench/bench_table.h"

namespace {

using namespace vt_bench;

pair_spec with_size(pair_spec spec, const char* size) {
    spec.size = size;
    return spec;
}

pair_spec spec_with(goal_kind kind, double limit, double min_gbps = 0, double bytes = 0) {
    pair_spec spec;
    spec.id = "op";
    spec.operation = "op vs peer";
    spec.size = "16 B";
    spec.target = {kind, limit, min_gbps};
    spec.bytes = bytes;
    return spec;
}

TEST(BenchStatistics, MedianOfOddEvenAndNoSamples) {
    EXPECT_EQ(median({5, 1, 3}), 3);
    EXPECT_EQ(median({4, 1, 3, 2}), 2.5);
    EXPECT_EQ(median({7}), 7);
    EXPECT_TRUE(std::isnan(median({})));
}

TEST(BenchStatistics, PairsAreJudgedOnTheLowerQuartileOfTheirRepetitions) {
    EXPECT_EQ(lower_quartile({9, 1, 5, 3, 7}), 3);   // not the single fastest
    EXPECT_EQ(lower_quartile({4}), 4);
    EXPECT_TRUE(std::isnan(lower_quartile({})));
    // Half of one side's repetitions slowed by a burst of load: the median would call it 1.5 times
    // the other side, the quartile sees the same work.
    pair_spec spec = spec_with(goal_kind::ratio_at_most, 1.1);
    results all;
    all.samples["op/16 B/ours"] = {26, 26, 27, 45, 46, 46, 47};
    all.samples["op/16 B/peer"] = {26, 26, 27, 27, 28, 45, 46};
    std::vector<row> rows = all.table({spec});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].ratio, "1.00");
    EXPECT_TRUE(rows[0].met);
}

TEST(BenchStatistics, SpreadIsTheQuartileRangeOverTheMedian) {
    EXPECT_EQ(spread({10, 10, 10, 10, 10}), 0);
    // Sorted 8, 9, 10, 11, 30: quartiles 9 and 11 (the outlier does not count), median 10.
    EXPECT_DOUBLE_EQ(spread({30, 8, 10, 11, 9}), 0.2);
    EXPECT_EQ(spread({3}), 0);
}

TEST(BenchJudge, RatioGoalHoldsUpToItsLimitInclusive) {
    pair_spec spec = spec_with(goal_kind::ratio_at_most, 0.7);
    row at = judge(spec, 7, 10, NAN);
    EXPECT_TRUE(at.judged);
    EXPECT_TRUE(at.met);
    EXPECT_EQ(at.ratio, "0.70");
    EXPECT_EQ(at.verdict, "meets");
    row over = judge(spec, 7.2, 10, NAN);
    EXPECT_FALSE(over.met);
    EXPECT_EQ(over.verdict, "misses");
    EXPECT_EQ(over.goal, "≤ 0.70");
}

TEST(BenchJudge, MissingMeasurementsNeverMeetAGoal) {
    pair_spec spec = spec_with(goal_kind::ratio_at_most, 2.0);
    row r = judge(spec, NAN, 10, NAN);
    EXPECT_FALSE(r.met);
    EXPECT_EQ(r.ratio, "-");
    EXPECT_FALSE(judge(spec, 5, 0, NAN).met);   // infinite ratio
}

TEST(BenchJudge, ExtraNanosecondsGoalLooksAtTheDifferenceNotTheRatio) {
    pair_spec spec = spec_with(goal_kind::extra_ns_at_most, 1.0);
    row r = judge(spec, 2.9, 2.0, NAN);        // ratio 1.45, but only 0.9 ns more
    EXPECT_TRUE(r.met);
    EXPECT_NE(r.verdict.find("+0.90 ns"), std::string::npos);
    EXPECT_FALSE(judge(spec, 3.2, 2.0, NAN).met);
}

TEST(BenchJudge, AbsoluteGoalIgnoresThePeer) {
    pair_spec spec = spec_with(goal_kind::ours_us_below, 200);
    EXPECT_TRUE(judge(spec, 150e3, 1, NAN).met);
    EXPECT_FALSE(judge(spec, 200e3, 1e9, NAN).met);
    EXPECT_EQ(spec_with(goal_kind::ours_us_below, 200).target.limit, 200);
}

TEST(BenchJudge, ThroughputGoalCanFailAPairWhoseRatioMeets) {
    // 1 MB in 1 ms is 1 GB/s: the ratio 0.2 meets 0.25, the 2 GB/s floor does not.
    pair_spec spec = spec_with(goal_kind::ratio_at_most, 0.25, 2.0, 1e6);
    row slow = judge(spec, 1e6, 5e6, NAN);
    EXPECT_FALSE(slow.met);
    EXPECT_NE(slow.verdict.find("1.00 GB/s"), std::string::npos);
    EXPECT_EQ(slow.goal, "≤ 0.25, ≥ 2.0 GB/s");
    row fast = judge(spec, 0.4e6, 2e6, NAN);   // 2.5 GB/s, ratio 0.2
    EXPECT_TRUE(fast.met);
}

TEST(BenchJudge, FloorAndCostNoteAreShownWithoutChangingTheVerdict) {
    pair_spec spec = spec_with(goal_kind::none, 0);
    spec.cost_note = "floor: zeroing";
    row r = judge(spec, 20, 10, 16);
    EXPECT_FALSE(r.judged);
    EXPECT_EQ(r.verdict, "no goal (floor 16.0 ns, ours/floor 1.25; floor: zeroing)");
}

TEST(BenchFormat, TimesPickAReadableUnit) {
    EXPECT_EQ(format_time(1.234), "1.23 ns");
    EXPECT_EQ(format_time(123.4), "123.4 ns");
    EXPECT_EQ(format_time(12345), "12.35 µs");
    EXPECT_EQ(format_time(2.5e6), "2.50 ms");
    EXPECT_EQ(format_time(3e9), "3.00 s");
    EXPECT_EQ(format_time(NAN), "-");
}

TEST(BenchFormat, MarkdownEscapesPipesInCells) {
    row r;
    r.operation = "a|b";
    r.size = "1";
    r.ours = r.peer = r.ratio = r.goal = r.verdict = "x";
    std::string table = markdown({r});
    EXPECT_NE(table.find("| a\\|b | 1 |"), std::string::npos);
    EXPECT_EQ(table.rfind("| operation | size | ours | peer | ratio | goal | verdict |", 0), 0u);
}

TEST(BenchResults, PairsNeedBothSidesAndNoisyPairsAreFound) {
    pair_spec a = spec_with(goal_kind::ratio_at_most, 1.0);
    pair_spec b = with_size(a, "32 B");
    pair_spec c = with_size(a, "64 B");
    results all;
    all.samples["op/16 B/ours"] = {10, 10, 10};
    all.samples["op/16 B/peer"] = {20, 20, 20};
    all.samples["op/16 B/floor"] = {1, 5, 9};           // only the floor is noisy
    all.samples["op/32 B/ours"] = {10, 10, 10};         // no peer: not tabled
    all.samples["op/64 B/ours"] = {30, 30, 30};
    all.samples["op/64 B/peer"] = {10, 10, 10};
    const std::vector<pair_spec> specs = {a, b, c};   // unsettled() points into it
    std::vector<row> rows = all.table(specs);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size, "16 B");
    EXPECT_EQ(rows[0].ratio, "0.50");
    EXPECT_EQ(rows[1].size, "64 B");
    std::vector<const pair_spec*> noisy = all.unsettled(specs, 0.10, 0);   // by the spread alone
    ASSERT_EQ(noisy.size(), 1u);
    EXPECT_EQ(noisy[0]->size, "16 B");
    EXPECT_EQ(verdict_summary(rows), "2 pairs with a goal: 1 meet, 1 miss. Missing: op vs peer (64 B, 3.00).");
}

TEST(BenchResults, NearGoalCountsEitherSideOfTheLimitForEveryKindOfGoal) {
    pair_spec ratio = spec_with(goal_kind::ratio_at_most, 1.0);
    EXPECT_TRUE(near_goal(ratio, 10.9, 10, 0.10));    // 1.09 misses narrowly
    EXPECT_TRUE(near_goal(ratio, 9.1, 10, 0.10));     // 0.91 meets narrowly
    EXPECT_FALSE(near_goal(ratio, 11.2, 10, 0.10));
    EXPECT_FALSE(near_goal(ratio, 8.8, 10, 0.10));
    EXPECT_FALSE(near_goal(ratio, NAN, 10, 0.10));
    // The extra-time margin is a share of the peer's time: +30 ns on a 20 ns peer is within 2 ns.
    pair_spec extra = spec_with(goal_kind::extra_ns_at_most, 30);
    EXPECT_TRUE(near_goal(extra, 51.5, 20, 0.10));
    EXPECT_TRUE(near_goal(extra, 48.5, 20, 0.10));
    EXPECT_FALSE(near_goal(extra, 53, 20, 0.10));
    pair_spec absolute = spec_with(goal_kind::ours_us_below, 200);
    EXPECT_TRUE(near_goal(absolute, 190e3, NAN, 0.10));
    EXPECT_FALSE(near_goal(absolute, 150e3, NAN, 0.10));
    EXPECT_FALSE(near_goal(spec_with(goal_kind::none, 0), 10, 10, 0.10));
}

TEST(BenchResults, UnsettledPairsAreTheNoisyAndTheNearOnesThatWereMeasured) {
    pair_spec near = spec_with(goal_kind::ratio_at_most, 1.0);
    pair_spec clear = with_size(near, "32 B");
    pair_spec noisy = with_size(near, "64 B");
    pair_spec unmeasured = with_size(near, "128 B");
    pair_spec near_floor = with_size(near, "256 B");
    pair_spec far_floor = with_size(near, "512 B");
    results all;
    all.samples["op/16 B/ours"] = {10.4, 10.5, 10.6};
    all.samples["op/16 B/peer"] = {10, 10, 10};
    all.samples["op/32 B/ours"] = {5, 5, 5};
    all.samples["op/32 B/peer"] = {10, 10, 10};
    all.samples["op/64 B/ours"] = {5, 5, 5};
    all.samples["op/64 B/peer"] = {5, 10, 20};
    all.samples["op/128 B/ours"] = {10};           // its peer never ran
    all.samples["op/256 B/ours"] = {30, 30, 30};   // misses by far, 1.25 times its floor
    all.samples["op/256 B/peer"] = {10, 10, 10};
    all.samples["op/256 B/floor"] = {24, 24, 24};
    all.samples["op/512 B/ours"] = {30, 30, 30};   // misses by far, 1.5 times its floor
    all.samples["op/512 B/peer"] = {10, 10, 10};
    all.samples["op/512 B/floor"] = {20, 20, 20};
    const std::vector<pair_spec> specs = {near, clear, noisy, unmeasured, near_floor, far_floor};
    std::vector<const pair_spec*> again = all.unsettled(specs, 0.25, 0.10);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[0]->size, "16 B");
    EXPECT_EQ(again[1]->size, "64 B");
    EXPECT_EQ(again[2]->size, "256 B");
}

TEST(BenchResults, AnotherProcessesSamplesJoinAndMissesAreListed) {
    pair_spec spec = spec_with(goal_kind::ratio_at_most, 1.0);
    results all;
    all.samples["op/16 B/ours"] = {30, 30, 30};
    all.samples["op/16 B/peer"] = {10, 10, 10};
    ASSERT_EQ(all.missing({spec}).size(), 1u);
    // Progress lines, a line without a value and a name with blanks and a comma are told apart.
    EXPECT_TRUE(all.add_printed("op/16 B/ours 9 ns\nSAMPLE\top/16 B/ours\t9\nSAMPLE\top/16 B/ours\t9\n"
                                "SAMPLE\top/16 B/ours\t9\nSAMPLE\top/16 B/ours\t9\nSAMPLE\top/16 B/ours\t\n"
                                "SAMPLE\top/1 × 1,000/peer\t2.5e3"));
    EXPECT_EQ(all.samples["op/16 B/ours"].size(), 7u);
    EXPECT_EQ(all.samples["op/1 × 1,000/peer"], std::vector<double>{2500});
    EXPECT_TRUE(all.missing({spec}).empty());   // 9 9 9 9 30 30 30: the quartile is 9
    EXPECT_FALSE(all.add_printed("vt_bench: nothing\n"));
}

TEST(BenchResults, SoloPairsAreTabledWithoutAPeerAndJudgedOnOursAlone) {
    pair_spec start = spec_with(goal_kind::ours_us_below, 200);
    start.solo = true;
    pair_spec paired = spec_with(goal_kind::ours_us_below, 200);
    paired.size = "32 B";
    results all;
    all.samples["op/16 B/ours"] = {150e3, 160e3, 170e3};
    all.samples["op/32 B/ours"] = {150e3};    // a pair that is not solo still needs its peer
    std::vector<row> rows = all.table({start, paired});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].peer, "-");
    EXPECT_EQ(rows[0].ratio, "-");
    EXPECT_TRUE(rows[0].met);
    all.samples["op/16 B/ours"] = {250e3};
    EXPECT_FALSE(all.table({start})[0].met);
}

TEST(BenchCheck, MissesListOnlyJudgedPairsThatMissWithTheirFloor) {
    pair_spec none = spec_with(goal_kind::none, 0);
    pair_spec met = spec_with(goal_kind::ratio_at_most, 2.0);
    pair_spec missed = spec_with(goal_kind::ratio_at_most, 1.0);
    missed.size = "64 B";
    std::vector<row> rows = {judge(none, 50, 10, NAN), judge(met, 15, 10, NAN)};
    EXPECT_EQ(misses(rows), "");   // a pair without a goal never counts as a miss
    rows.push_back(judge(missed, 12, 10, 11));
    EXPECT_EQ(misses(rows), "op vs peer (64 B): ratio 1.20, goal ≤ 1.00, misses (floor 11.0 ns, ours/floor 1.09)\n");
    rows.push_back(judge(missed, NAN, 10, NAN));   // no measurement is a miss too
    std::string both = misses(rows);
    EXPECT_EQ(std::count(both.begin(), both.end(), '\n'), 2);
}

}  // namespace
