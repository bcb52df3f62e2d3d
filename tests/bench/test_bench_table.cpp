// The benchmark table: medians, spreads, how each kind of goal is judged, the verdict words, the
// noise band, the refusal of goals that are no ratios of the same run, and the markdown.
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

pair_spec spec_with(goal_kind kind, double limit) {
    pair_spec spec;
    spec.id = "op";
    spec.operation = "op vs peer";
    spec.size = "16 B";
    spec.target = {kind, limit};
    return spec;
}

pair_spec with_floor(pair_spec spec) {
    spec.has_floor = true;
    return spec;
}

times ours_peer(double ours, double peer) { return {ours, peer, NAN, NAN}; }

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
    pair_spec spec = spec_with(goal_kind::ours_over_peer, 1.1);
    results all;
    all.samples["op/16 B/ours"] = {26, 26, 27, 45, 46, 46, 47};
    all.samples["op/16 B/peer"] = {26, 26, 27, 27, 28, 45, 46};
    std::vector<row> rows = all.table({spec});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].ratio, "1.00");
    EXPECT_TRUE(rows[0].met());
}

TEST(BenchStatistics, SpreadIsTheQuartileRangeOverTheMedian) {
    EXPECT_EQ(spread({10, 10, 10, 10, 10}), 0);
    // Sorted 8, 9, 10, 11, 30: quartiles 9 and 11 (the outlier does not count), median 10.
    EXPECT_DOUBLE_EQ(spread({30, 8, 10, 11, 9}), 0.2);
    EXPECT_EQ(spread({3}), 0);
}

TEST(BenchJudge, RatioGoalHoldsUpToItsLimitInclusive) {
    pair_spec spec = spec_with(goal_kind::ours_over_peer, 0.7);
    row at = judge(spec, ours_peer(7, 10));
    EXPECT_TRUE(at.judged());
    EXPECT_TRUE(at.met());
    EXPECT_EQ(at.ratio, "0.70");
    EXPECT_EQ(at.verdict, "met");
    row over = judge(spec, ours_peer(7.2, 10));
    EXPECT_FALSE(over.met());
    EXPECT_EQ(over.word, verdict_word::miss);
    EXPECT_EQ(over.verdict, "miss");
    EXPECT_EQ(over.goal, "≤ 0.70");
}

TEST(BenchJudge, MissingMeasurementsNeverMeetAGoal) {
    pair_spec spec = spec_with(goal_kind::ours_over_peer, 2.0);
    row r = judge(spec, ours_peer(NAN, 10));
    EXPECT_FALSE(r.met());
    EXPECT_EQ(r.ratio, "-");
    EXPECT_FALSE(judge(spec, ours_peer(5, 0)).met());   // infinite ratio
    // A floor or base goal whose side was not measured in this run misses too.
    pair_spec floor = with_floor(spec_with(goal_kind::ours_over_floor, 1.3));
    EXPECT_EQ(judge(floor, ours_peer(5, 10)).word, verdict_word::miss);
    pair_spec base = spec_with(goal_kind::ours_over_base, 16);
    base.has_base = true;
    EXPECT_EQ(judge(base, ours_peer(5, 10)).word, verdict_word::miss);
}

TEST(BenchJudge, OwnTimeGoalComparesWhatOursAndItsFloorAddToTheCall) {
    // A hook of 31 ns ending in a call of 1.5 ns adds 29.5 ns; its floor of 25 ns adds 23.5 ns.
    pair_spec spec = with_floor(spec_with(goal_kind::own_time_over_floor, 1.3));
    row r = judge(spec, {31, 1.5, 25, NAN});
    EXPECT_TRUE(r.met());
    EXPECT_NEAR(goal_figure(spec.target.kind, {31, 1.5, 25, NAN}), 29.5 / 23.5, 1e-12);
    EXPECT_NE(r.verdict.find("own time 29.5 ns against the floor's 23.5 ns: 1.26"), std::string::npos);
    EXPECT_EQ(r.goal, "own time ≤ 1.30 × floor's");
    // ours/floor is 1.29 here, but what it adds is 1.31 times what the floor adds: a miss.
    EXPECT_FALSE(judge(spec, {32.3, 1.5, 25, NAN}).met());
    // A floor no slower than the call leaves no own time to compare with.
    EXPECT_FALSE(judge(spec, {3, 2, 2, NAN}).met());
    // The same work on a machine twice as fast gives the same figure: nothing in it is absolute.
    EXPECT_DOUBLE_EQ(goal_figure(spec.target.kind, {15.5, 0.75, 12.5, NAN}), goal_figure(spec.target.kind, {31, 1.5, 25, NAN}));
    EXPECT_TRUE(judge(spec, {15.5, 0.75, 12.5, NAN}).met());
    EXPECT_FALSE(judge(spec, {16.15, 0.75, 12.5, NAN}).met());
}

TEST(BenchJudge, BaseGoalCanFailAPairWhoseRatioMeets) {
    // 1 MB in 400 µs against memcpy's 20 µs is 20 times the copy: the ratio 0.2 meets 0.25, the
    // 16 times memcpy does not.
    pair_spec spec = spec_with(goal_kind::ours_over_peer, 0.25);
    spec.also = {goal_kind::ours_over_base, 16};
    spec.has_base = true;
    spec.base_name = "memcpy";
    spec.bytes = 1e6;
    row slow = judge(spec, {400e3, 2e6, NAN, 20e3});
    EXPECT_FALSE(slow.met());
    EXPECT_EQ(slow.goal, "≤ 0.25, ≤ 16.00 × memcpy");
    EXPECT_NE(slow.verdict.find("2.50 GB/s, memcpy 20.00 µs (50.00 GB/s), ours/base 20.00"), std::string::npos);
    row fast = judge(spec, {300e3, 2e6, NAN, 20e3});   // 15 times the copy
    EXPECT_TRUE(fast.met());
    // A floor beyond the ratio does not excuse a missed second goal.
    spec.has_floor = true;
    EXPECT_EQ(judge(spec, {400e3, 1e6, 390e3, 20e3}).word, verdict_word::miss);
    EXPECT_EQ(judge(spec, {300e3, 1e6, 290e3, 20e3}).word, verdict_word::at_floor);
}

TEST(BenchJudge, AtFloorWhenTheFloorItselfIsBeyondTheGoalAndOursWithinTheBoundOfIt) {
    pair_spec spec = with_floor(spec_with(goal_kind::ours_over_peer, 1.05));
    spec.cost_note = "floor: halving";
    // bsearch_array at 100 ints: 1.57 of lower_bound, the plain halving 1.51 of it, ours 1.04 of that.
    row at = judge(spec, {157, 100, 151, NAN});
    EXPECT_EQ(at.word, verdict_word::at_floor);
    EXPECT_TRUE(at.met());
    EXPECT_EQ(at.verdict, "at floor (floor 151.0 ns (floor/peer 1.51), ours/floor 1.04; floor: halving)");
    // More than 1.3 of the floor is a miss.
    EXPECT_EQ(judge(spec, {200, 100, 151, NAN}).word, verdict_word::miss);
    // A floor within the goal means the goal is within reach: no excuse, whatever ours/floor.
    EXPECT_EQ(judge(spec, {110, 100, 104, NAN}).word, verdict_word::miss);
    // Without a floor there is nothing to be at.
    spec.has_floor = false;
    EXPECT_EQ(judge(spec, {157, 100, NAN, NAN}).word, verdict_word::miss);
    // A goal against the floor itself has no "at floor": it is met or missed.
    pair_spec whole = with_floor(spec_with(goal_kind::ours_over_floor, 1.3));
    EXPECT_EQ(judge(whole, {3.6, 2, 3, NAN}).word, verdict_word::met);
    EXPECT_EQ(judge(whole, {3.6, 2, 3, NAN}).goal, "ours/floor ≤ 1.30");
    EXPECT_EQ(judge(whole, {4, 1, 2.5, NAN}).word, verdict_word::miss);
}

TEST(BenchJudge, FloorAndCostNoteAreShownWithoutChangingTheVerdict) {
    pair_spec spec = with_floor(spec_with(goal_kind::none, 0));
    spec.cost_note = "floor: zeroing";
    row r = judge(spec, {20, 10, 16, NAN});
    EXPECT_FALSE(r.judged());
    EXPECT_EQ(r.word, verdict_word::none);
    EXPECT_EQ(r.verdict, "no goal (floor 16.0 ns, ours/floor 1.25; floor: zeroing)");
}

TEST(BenchRefusal, GoalsThatAreNoRatioOfTheSameRunAreRefused) {
    // A kind outside the ratios (an absolute time or throughput was one once) is refused.
    pair_spec absolute = spec_with(static_cast<goal_kind>(42), 200);
    EXPECT_EQ(goal_error(absolute), "goal kind 42 is no ratio of sides measured in the same run");
    row r = judge(absolute, ours_peer(150e3, 1));
    EXPECT_TRUE(r.judged());
    EXPECT_FALSE(r.met());
    EXPECT_EQ(r.word, verdict_word::miss);
    EXPECT_EQ(r.verdict, "refused (goal kind 42 is no ratio of sides measured in the same run)");
    pair_spec second = spec_with(goal_kind::ours_over_peer, 1);
    second.also = {static_cast<goal_kind>(43), 2.0};
    EXPECT_NE(goal_error(second).find("goal kind 43"), std::string::npos);
    // Ratios that read a side the pair does not measure are refused as well.
    EXPECT_EQ(goal_error(spec_with(goal_kind::own_time_over_floor, 1.3)), "a goal on a floor the pair does not measure");
    EXPECT_EQ(goal_error(spec_with(goal_kind::ours_over_floor, 1.3)), "a goal on a floor the pair does not measure");
    EXPECT_EQ(goal_error(spec_with(goal_kind::ours_over_base, 16)), "a goal on a base the pair does not measure");
    pair_spec solo = spec_with(goal_kind::ours_over_peer, 1);
    solo.solo = true;
    EXPECT_EQ(goal_error(solo), "a goal on the peer of a pair measured alone");
    // A limit that is no positive number, and a second goal without a first.
    EXPECT_NE(goal_error(spec_with(goal_kind::ours_over_peer, 0)), "");
    EXPECT_NE(goal_error(spec_with(goal_kind::ours_over_peer, NAN)), "");
    pair_spec only_second = spec_with(goal_kind::none, 0);
    only_second.also = {goal_kind::ours_over_peer, 1};
    EXPECT_EQ(goal_error(only_second), "a second goal without a first");
    // Every kind with the sides it reads is accepted.
    pair_spec all_sides = with_floor(spec_with(goal_kind::own_time_over_floor, 1.3));
    all_sides.has_base = true;
    all_sides.also = {goal_kind::ours_over_base, 16};
    EXPECT_EQ(goal_error(all_sides), "");
    EXPECT_EQ(goal_error(spec_with(goal_kind::none, 0)), "");
}

TEST(BenchRefusal, ARefusedGoalFailsTheTableAndTheCheck) {
    pair_spec absolute = spec_with(static_cast<goal_kind>(42), 200);
    results all;
    all.samples["op/16 B/ours"] = {1, 1, 1};
    all.samples["op/16 B/peer"] = {100, 100, 100};
    const std::vector<pair_spec> specs = {absolute};
    std::vector<row> rows = all.table(specs);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(all.missing(specs).size(), 1u);
    EXPECT_NE(misses(rows).find("refused"), std::string::npos);
    EXPECT_EQ(verdict_counts(rows), "Verdicts: 1 pairs with a goal: 0 met, 0 at floor, 1 miss; 0 within their noise band (±).");
}

TEST(BenchNoise, AVerdictAnotherTimeWithinTheBandCouldTurnIsMarked) {
    pair_spec spec = spec_with(goal_kind::ours_over_peer, 1.05);
    const times band = {NOISE_BASE, NOISE_BASE, NOISE_BASE, NOISE_BASE};
    // 1.02 against 1.05 with each side within 5 %: the ratio could be 1.07.
    row near = judge(spec, ours_peer(102, 100), band);
    EXPECT_TRUE(near.met());
    EXPECT_TRUE(near.noisy);
    EXPECT_EQ(near.verdict, "met ±");
    EXPECT_TRUE(judge(spec, ours_peer(108, 100), band).noisy);   // a narrow miss as well
    EXPECT_FALSE(judge(spec, ours_peer(80, 100), band).noisy);
    EXPECT_FALSE(judge(spec, ours_peer(130, 100), band).noisy);
    EXPECT_FALSE(judge(spec, ours_peer(102, 100)).noisy);         // no band given
    EXPECT_FALSE(judge(spec, ours_peer(NAN, 100), band).noisy);   // a missing side misses anyway
    // The at-floor bounds count too: ours/floor near 1.3, and the floor near the goal.
    pair_spec floored = with_floor(spec);
    EXPECT_TRUE(judge(floored, {160, 100, 125, NAN}, band).noisy);    // ours/floor 1.28
    EXPECT_FALSE(judge(floored, {160, 100, 150, NAN}, band).noisy);   // ours/floor 1.07, floor/peer 1.5
    EXPECT_TRUE(judge(floored, {110, 100, 106, NAN}, band).noisy);    // floor/peer 1.06
    // An own-time ratio moves more than its sides: the difference magnifies their noise.
    pair_spec hook = with_floor(spec_with(goal_kind::own_time_over_floor, 1.3));
    EXPECT_TRUE(judge(hook, {4, 2, 3.7, NAN}, band).noisy);   // own 2 against 1.7: 1.18
    EXPECT_FALSE(judge(hook, {31, 1.5, 40, NAN}, band).noisy);
}

TEST(BenchNoise, ASideWhoseRepetitionsSpreadHasTheWiderBand) {
    pair_spec spec = spec_with(goal_kind::ours_over_peer, 1.0);
    results all;
    all.samples["op/16 B/ours"] = {80, 80, 80, 80, 80};
    all.samples["op/16 B/peer"] = {100, 100, 100, 100, 100};
    EXPECT_FALSE(all.table({spec})[0].noisy);   // 0.8, outside 10 %
    // The same quartile with repetitions spreading by half the median: the band reaches 1.0.
    all.samples["op/16 B/ours"] = {80, 80, 80, 120, 120};
    times band = all.bands_of(spec, NOISE_BASE);
    EXPECT_DOUBLE_EQ(band.ours, NOISE_BASE + 0.25);
    EXPECT_DOUBLE_EQ(band.peer, NOISE_BASE);
    row r = all.table({spec})[0];
    EXPECT_EQ(r.ratio, "0.80");
    EXPECT_TRUE(r.noisy);
    EXPECT_EQ(r.verdict.rfind("met ±", 0), 0u);
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

TEST(BenchFormat, TheSummaryCountsEachWordOnOneLineAndNamesMissesAndFloors) {
    pair_spec met = spec_with(goal_kind::ours_over_peer, 1.0);
    pair_spec floored = with_size(with_floor(met), "32 B");
    pair_spec missed = with_size(met, "64 B");
    pair_spec none = with_size(spec_with(goal_kind::none, 0), "128 B");
    const times band = {NOISE_BASE, NOISE_BASE, NOISE_BASE, NOISE_BASE};
    std::vector<row> rows = {judge(met, ours_peer(5, 10), band), judge(floored, {20, 10, 18, NAN}, band),
                             judge(missed, ours_peer(30, 10), band), judge(none, ours_peer(50, 10), band)};
    EXPECT_EQ(verdict_counts(rows), "Verdicts: 3 pairs with a goal: 1 met, 1 at floor, 1 miss; 0 within their noise band (±).");
    EXPECT_EQ(verdict_summary(rows), verdict_counts(rows) +
                                         "\n\nMissing: op vs peer (64 B, 3.00).\n"
                                         "\nAt floor: op vs peer (32 B, 2.00).\n");
    rows.push_back(judge(met, ours_peer(9.8, 10), band));
    EXPECT_NE(verdict_counts(rows).find("2 met, 1 at floor, 1 miss; 1 within"), std::string::npos);
}

TEST(BenchResults, PairsNeedBothSidesAndNoisyPairsAreFound) {
    pair_spec a = spec_with(goal_kind::ours_over_peer, 1.0);
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
}

TEST(BenchResults, UnsettledPairsAreTheNoisyAndThoseWithinTheirNoiseBandThatWereMeasured) {
    pair_spec near = spec_with(goal_kind::ours_over_peer, 1.0);
    pair_spec clear = with_size(near, "32 B");
    pair_spec noisy = with_size(near, "64 B");
    pair_spec unmeasured = with_size(near, "128 B");
    pair_spec near_floor = with_floor(with_size(near, "256 B"));
    pair_spec far_floor = with_floor(with_size(near, "512 B"));
    pair_spec near_base = with_size(spec_with(goal_kind::ours_over_base, 16), "1 MB");
    near_base.solo = near_base.has_base = true;
    results all;
    all.samples["op/16 B/ours"] = {10.4, 10.5, 10.6};
    all.samples["op/16 B/peer"] = {10, 10, 10};
    all.samples["op/32 B/ours"] = {5, 5, 5};
    all.samples["op/32 B/peer"] = {10, 10, 10};
    all.samples["op/64 B/ours"] = {5, 5, 5};
    all.samples["op/64 B/peer"] = {5, 10, 20};
    all.samples["op/128 B/ours"] = {10};           // its peer never ran
    all.samples["op/256 B/ours"] = {30, 30, 30};   // at its floor, 1.25 times it
    all.samples["op/256 B/peer"] = {10, 10, 10};
    all.samples["op/256 B/floor"] = {24, 24, 24};
    all.samples["op/512 B/ours"] = {30, 30, 30};   // misses by far, 1.5 times its floor
    all.samples["op/512 B/peer"] = {10, 10, 10};
    all.samples["op/512 B/floor"] = {20, 20, 20};
    all.samples["op/1 MB/ours"] = {310, 310, 310};   // 15.5 times its base of 16
    all.samples["op/1 MB/base"] = {20, 20, 20};
    const std::vector<pair_spec> specs = {near, clear, noisy, unmeasured, near_floor, far_floor, near_base};
    std::vector<const pair_spec*> again = all.unsettled(specs, 0.25);
    ASSERT_EQ(again.size(), 4u);
    EXPECT_EQ(again[0]->size, "16 B");
    EXPECT_EQ(again[1]->size, "64 B");
    EXPECT_EQ(again[2]->size, "256 B");
    EXPECT_EQ(again[3]->size, "1 MB");
    // What is unsettled is what the table marks (for the pairs that do not spread).
    std::vector<row> rows = all.table(specs);   // 128 B is not tabled
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_TRUE(rows[0].noisy);
    EXPECT_FALSE(rows[1].noisy);
    EXPECT_EQ(rows[3].word, verdict_word::at_floor);
    EXPECT_TRUE(rows[3].noisy);
    EXPECT_FALSE(rows[4].noisy);
}

TEST(BenchResults, AnotherProcessesSamplesJoinAndMissesAreListed) {
    pair_spec spec = spec_with(goal_kind::ours_over_peer, 1.0);
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

TEST(BenchResults, SoloPairsAreTabledWithoutAPeerAndJudgedAgainstTheirBase) {
    pair_spec start = spec_with(goal_kind::ours_over_base, 16);
    start.solo = start.has_base = true;
    start.base_name = "warm start-up";
    pair_spec paired = with_size(start, "32 B");
    paired.solo = false;
    results all;
    all.samples["op/16 B/ours"] = {50e3, 60e3, 70e3};
    all.samples["op/16 B/base"] = {5e3, 5e3, 5e3};
    all.samples["op/32 B/ours"] = {50e3};    // a pair that is not solo still needs its peer
    std::vector<row> rows = all.table({start, paired});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].peer, "-");
    EXPECT_EQ(rows[0].ratio, "-");
    EXPECT_EQ(rows[0].goal, "≤ 16.00 × warm start-up");
    EXPECT_TRUE(rows[0].met());
    EXPECT_NE(rows[0].verdict.find("warm start-up 5.00 µs, ours/base 10.00"), std::string::npos);
    // The same start-up on a machine where the warm one takes half as long misses.
    all.samples["op/16 B/base"] = {2.5e3, 2.5e3, 2.5e3};
    EXPECT_FALSE(all.table({start})[0].met());
}

TEST(BenchCheck, MissesListOnlyJudgedPairsThatMissNotThoseAtTheirFloor) {
    pair_spec none = spec_with(goal_kind::none, 0);
    pair_spec met = spec_with(goal_kind::ours_over_peer, 2.0);
    pair_spec missed = with_floor(with_size(spec_with(goal_kind::ours_over_peer, 1.0), "64 B"));
    std::vector<row> rows = {judge(none, ours_peer(50, 10)), judge(met, ours_peer(15, 10)),
                             judge(missed, {20, 10, 16, NAN})};   // at its floor
    EXPECT_EQ(misses(rows), "");   // no goal, met and at floor are no misses
    rows.push_back(judge(missed, {12, 10, 9, NAN}));
    EXPECT_EQ(misses(rows), "op vs peer (64 B): ratio 1.20, goal ≤ 1.00, miss (floor 9.00 ns (floor/peer 0.90), "
                            "ours/floor 1.33)\n");
    rows.push_back(judge(missed, ours_peer(NAN, 10)));   // no measurement is a miss too
    std::string both = misses(rows);
    EXPECT_EQ(std::count(both.begin(), both.end(), '\n'), 2);
    // A miss by less than the sides' noise band may be met in another run: marked, not counted.
    times band = {0.05, 0.05, 0.05, 0.05};
    row noisy = judge(spec_with(goal_kind::ours_over_peer, 1.0), ours_peer(10.3, 10), band);
    ASSERT_EQ(noisy.word, verdict_word::miss);
    ASSERT_TRUE(noisy.noisy);
    rows.push_back(noisy);
    EXPECT_EQ(misses(rows), both);
    EXPECT_NE(verdict_summary(rows).find("op vs peer (16 B, 1.03, ±)"), std::string::npos) << verdict_summary(rows);
    // The same miss measured to be well beyond the band is counted.
    rows.push_back(judge(spec_with(goal_kind::ours_over_peer, 1.0), ours_peer(13, 10), band));
    EXPECT_GT(misses(rows).size(), both.size());
}

TEST(BenchResultsFile, ARunReplacesTheTableAndAddsItsCountsToTheRuns) {
    const std::string file = "# Results\n\n<!-- table begin -->\nold table\n<!-- table end -->\n\n## Runs\n\n"
                             "<!-- runs begin -->\n- first: Verdicts: 1\n<!-- runs end -->\n";
    std::string error = "x";
    std::string out = with_run(file, "new table\n", "- second: Verdicts: 2", error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(out, "# Results\n\n<!-- table begin -->\nnew table\n<!-- table end -->\n\n## Runs\n\n"
                   "<!-- runs begin -->\n- first: Verdicts: 1\n- second: Verdicts: 2\n<!-- runs end -->\n");
    // Without either pair of markers the file is left as it was.
    EXPECT_EQ(with_run("no markers", "t\n", "- run", error), "no markers");
    EXPECT_EQ(error, "no table markers");
    std::string no_runs = "<!-- table begin -->\nold\n<!-- table end -->\n";
    EXPECT_EQ(with_run(no_runs, "t\n", "- run", error), no_runs);
    EXPECT_NE(error, "");
    // Runs markers inside the table would be overwritten by the next run: refused.
    std::string inside = "<!-- table begin -->\n<!-- runs begin -->\n<!-- runs end -->\n<!-- table end -->\n";
    EXPECT_EQ(with_run(inside, "t\n", "- run", error), inside);
    EXPECT_NE(error, "");
}

}  // namespace
