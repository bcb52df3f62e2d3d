// The results table of the benchmarks: pairs of measurements (ours against what a user would
// pick instead), their ratio, the goal each pair has and the verdict.
//
// Every pair has an id without '/', a size text and up to four benchmarks named
// "<id>/<size>/ours", ".../peer", ".../floor" and ".../base".  The floor, where there is one, is
// the least work the runtime's required behaviour implies (zeroing new memory, the 0xFF overwrite
// on release...), done the plainest way, so that the table can say how much of our cost the
// requirement itself sets; the pair's cost note says what the floor does.  The base, where there
// is one, is the machine's own speed at the same work.  Times are the lower quartile of the
// repetitions, in nanoseconds per iteration.  Nothing here depends on the benchmark library, so
// the judging and the table are tested on their own.
#ifndef VT_BENCH_TABLE_H
#define VT_BENCH_TABLE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace vt_bench {

// The sides a pair may measure, all of them in the pair's own window (see main.cpp):
//   ours  - the runtime's operation;
//   peer  - what a user would pick instead;
//   floor - the least work the required behaviour implies, done plainly;
//   base  - the machine's own speed at the same work, measured with ours: memcpy of the same
//           bytes for a throughput, the same calls again in the same process for a start-up.
// Every goal is a ratio of two of them (or of two differences between them), so that it judges
// the code on any machine: a faster or slower machine moves both sides of the ratio alike, where
// a goal in nanoseconds or bytes per second would judge the machine as much as the code.
enum class goal_kind {
    none,                // measured and reported, no goal
    ours_over_peer,      // ours / peer <= limit
    ours_over_floor,     // ours / floor <= limit
    own_time_over_floor, // (ours - peer) / (floor - peer) <= limit: the time ours adds to the
                         // call it ends in (the peer) against the time its floor adds to it
    ours_over_base,      // ours / base <= limit
};

struct goal {
    goal_kind kind = goal_kind::none;
    double limit = 0;
};

struct pair_spec {
    std::string id;           // benchmark name prefix, no '/'
    std::string operation;    // what the table shows, "getmem/rlsmem vs malloc+memset/free"
    std::string size;         // what the table shows in the size column and the name's middle
    goal target;              // the pair's goal
    double bytes = 0;         // bytes processed per iteration, shown as a throughput
    std::string cost_note;    // what the required behaviour costs, shown with the verdict
    goal also = {};           // a second goal the pair must meet as well (none: no second goal)
    std::string base_name = "";   // what the base side is, for the table: "memcpy"
    bool solo = false;        // measured alone: no peer
    bool has_floor = false;   // a floor side is measured (add_pair sets it)
    bool has_base = false;    // a base side is measured (add_pair sets it, or the pair's ours
                              // reports it from the same process)
};

// The verdict on a pair with a goal:
//   met      - every goal of the pair holds;
//   at_floor - the goal against the peer does not hold, but the floor does not meet it either
//              (the required behaviour itself is beyond the goal) and ours is within FLOOR_BOUND
//              of the floor; any second goal holds.  --check counts it as met;
//   miss     - anything else, a missing measurement included.
enum class verdict_word { none, met, at_floor, miss };

// How far above its floor a pair may lie when the floor itself is beyond the goal: the floors do
// the required steps the plainest way, and a tuned implementation lands at 0.6-1.2 of them, so
// more than 1.3 means our code, not the requirement, sets the cost.
constexpr double FLOOR_BOUND = 1.3;

// The noise band of each side's time, before half its own spread is added: three full runs of
// one build on a quiet machine moved the ratios of most pairs by 1-7 % between runs
// (bsearch_array at 10^4: 1.04-1.05, sort_pointers at 10^4: 1.02-1.06, the recording-off
// AfterOpen pair: 0.96-1.02), more than their repetitions spread within a run, so each side is
// taken to lie within 5 % of its figure, a ratio of two within about 10 %.
constexpr double NOISE_BASE = 0.05;

struct row {
    std::string operation, size, ours, peer, ratio, goal, verdict;
    verdict_word word = verdict_word::none;   // none: the pair has no goal
    bool noisy = false;       // another verdict lies within the pair's noise band

    // The pair has a goal (a refused one included: that is a miss).
    bool judged() const { return word != verdict_word::none; }
    // It has a goal and meets it, or is at its floor.
    bool met() const { return word == verdict_word::met || word == verdict_word::at_floor; }
};

// The judged times of a pair's sides (NaN: not measured), or the relative noise band of each.
struct times {
    double ours = NAN, peer = NAN, floor = NAN, base = NAN;
};

inline std::string bench_name(const pair_spec& spec, const char* side) {
    return spec.id + "/" + spec.size + "/" + side;
}

// The median of the samples; NaN for none.
inline double median(std::vector<double> samples) {
    if (samples.empty()) return NAN;
    std::sort(samples.begin(), samples.end());
    size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

// The lower quartile of the samples (the same rank the spread uses); NaN for none.  A pair is
// judged on it: the load of a shared machine only ever adds time, and it comes in bursts that
// slow a whole repetition by up to ~1.8x, so that one side's median could fall among the slowed
// repetitions and the other's not.  A quarter of the repetitions must be as fast for the
// quartile to show it, so one lucky repetition does not decide it either.
inline double lower_quartile(std::vector<double> samples) {
    if (samples.empty()) return NAN;
    std::sort(samples.begin(), samples.end());
    return samples[(samples.size() - 1) / 4];
}

// The spread of the samples around their median: (upper quartile - lower quartile) / median.
inline double spread(std::vector<double> samples) {
    if (samples.size() < 2) return 0;
    std::sort(samples.begin(), samples.end());
    double m = median(samples);
    if (!(m > 0)) return 0;
    size_t n = samples.size();
    double lower = samples[(n - 1) / 4];
    double upper = samples[n - 1 - (n - 1) / 4];
    return (upper - lower) / m;
}

inline std::string printf_text(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A time in the unit that keeps three significant figures readable.
inline std::string format_time(double ns) {
    if (std::isnan(ns)) return "-";
    if (ns < 10) return printf_text("%.2f ns", ns);
    if (ns < 1000) return printf_text("%.1f ns", ns);
    if (ns < 1e6) return printf_text("%.2f µs", ns / 1e3);
    if (ns < 1e9) return printf_text("%.2f ms", ns / 1e6);
    return printf_text("%.2f s", ns / 1e9);
}

// Why a pair's goals cannot be judged as ratios of sides measured in the same run; empty when
// they can.  A goal kind outside the ratios above (an absolute time or throughput, say), a limit
// that is no positive number, a goal reading a side the pair does not measure, or a second goal
// without a first is refused: such a verdict would turn on the machine, or on nothing.
inline std::string goal_error(const pair_spec& spec) {
    if (spec.target.kind == goal_kind::none && spec.also.kind != goal_kind::none)
        return "a second goal without a first";
    for (const goal* g : {&spec.target, &spec.also}) {
        bool peer = false, floor = false, base = false;
        switch (g->kind) {
        case goal_kind::none: continue;
        case goal_kind::ours_over_peer: peer = true; break;
        case goal_kind::ours_over_floor: floor = true; break;
        case goal_kind::own_time_over_floor: peer = floor = true; break;
        case goal_kind::ours_over_base: base = true; break;
        default:
            return "goal kind " + std::to_string(static_cast<int>(g->kind)) +
                   " is no ratio of sides measured in the same run";
        }
        if (!(std::isfinite(g->limit) && g->limit > 0)) return "a goal limit that is no positive number";
        if (peer && spec.solo) return "a goal on the peer of a pair measured alone";
        if (floor && !spec.has_floor) return "a goal on a floor the pair does not measure";
        if (base && !spec.has_base) return "a goal on a base the pair does not measure";
    }
    return "";
}

// The figure a goal judges; NaN when a side it reads is missing, and for an own-time ratio
// whose floor takes no longer than the call it ends in (no own time to compare with).
inline double goal_figure(goal_kind kind, const times& t) {
    switch (kind) {
    case goal_kind::ours_over_peer: return t.ours / t.peer;
    case goal_kind::ours_over_floor: return t.ours / t.floor;
    case goal_kind::own_time_over_floor: return t.floor > t.peer ? (t.ours - t.peer) / (t.floor - t.peer) : NAN;
    case goal_kind::ours_over_base: return t.ours / t.base;
    default: return NAN;
    }
}

// A figure at most a limit, the limit included: a figure that equals the limit but for the last
// bits of its computation (x87 arithmetic on i386 keeps more of them than a double holds) counts
// as equal.
inline bool at_most(double figure, double limit) { return figure <= limit * (1 + 1e-12); }

inline bool goal_holds(const goal& g, const times& t) {
    if (g.kind == goal_kind::none) return true;
    double figure = goal_figure(g.kind, t);
    return !std::isnan(figure) && at_most(figure, g.limit);
}

// The verdict word of a pair with valid goals at the given times.
inline verdict_word word_of(const pair_spec& spec, const times& t) {
    if (spec.target.kind == goal_kind::none) return verdict_word::none;
    bool also = goal_holds(spec.also, t);
    if (goal_holds(spec.target, t) && also) return verdict_word::met;
    if (spec.target.kind == goal_kind::ours_over_peer && spec.has_floor && also) {
        double floor_share = t.floor / t.peer, ours_share = t.ours / t.floor;
        if (!at_most(floor_share, spec.target.limit) && at_most(ours_share, FLOOR_BOUND)) return verdict_word::at_floor;
    }
    return verdict_word::miss;
}

// Whether the pair's verdict could be another one if each side's time lay elsewhere within its
// noise band (a share of its time, `band`): the corners of the box of times are tried, where
// every figure of the verdict is largest or smallest, since each grows or falls steadily with
// each side.
inline bool within_noise(const pair_spec& spec, const times& t, const times& band) {
    verdict_word at = word_of(spec, t);
    if (at == verdict_word::none) return false;
    for (int corner = 0; corner < 16; ++corner) {
        auto moved = [corner](double time, double share, int bit) {
            return time * (corner & bit ? 1 + share : 1 - share);
        };
        times c = {moved(t.ours, band.ours, 1), moved(t.peer, band.peer, 2), moved(t.floor, band.floor, 4),
                   moved(t.base, band.base, 8)};
        if (word_of(spec, c) != at) return true;
    }
    return false;
}

inline const char* word_text(verdict_word word) {
    switch (word) {
    case verdict_word::none: return "no goal";
    case verdict_word::met: return "met";
    case verdict_word::at_floor: return "at floor";
    case verdict_word::miss: return "miss";
    }
    return "?";
}

inline std::string limit_text(const pair_spec& spec, const goal& g) {
    switch (g.kind) {
    case goal_kind::ours_over_peer: return printf_text("≤ %.2f", g.limit);
    case goal_kind::ours_over_floor: return printf_text("ours/floor ≤ %.2f", g.limit);
    case goal_kind::own_time_over_floor: return printf_text("own time ≤ %.2f × floor's", g.limit);
    case goal_kind::ours_over_base: return printf_text("≤ %.2f × ", g.limit) + spec.base_name;
    default: return "-";
    }
}

inline std::string goal_text(const pair_spec& spec) {
    if (spec.target.kind == goal_kind::none) return "-";
    std::string text = limit_text(spec, spec.target);
    if (spec.also.kind != goal_kind::none) text += ", " + limit_text(spec, spec.also);
    return text;
}

// Judges one pair from its sides' times; `band`, when given, is each side's noise band, and a
// verdict that another time within it could turn is marked.
inline row judge(const pair_spec& spec, const times& t, const times& band = {0, 0, 0, 0}) {
    row r;
    r.operation = spec.operation;
    r.size = spec.size;
    r.ours = format_time(t.ours);
    r.peer = format_time(t.peer);
    double ratio = t.ours / t.peer;
    r.ratio = std::isfinite(ratio) ? printf_text("%.2f", ratio) : "-";
    r.goal = goal_text(spec);

    std::string error = goal_error(spec);
    if (!error.empty()) {
        r.word = verdict_word::miss;
        r.verdict = "refused (" + error + ")";
        return r;
    }

    std::vector<std::string> details;
    auto add = [&details](const std::string& text) { details.push_back(text); };
    for (const goal* g : {&spec.target, &spec.also})
        if (g->kind == goal_kind::own_time_over_floor)
            add("own time " + format_time(t.ours - t.peer) + " against the floor's " + format_time(t.floor - t.peer) +
                printf_text(": %.2f", goal_figure(g->kind, t)));
    if (spec.bytes > 0 && t.ours > 0) add(printf_text("%.2f GB/s", spec.bytes / t.ours));   // bytes per ns
    if (t.base > 0) {
        std::string base = spec.base_name + " " + format_time(t.base);
        if (spec.bytes > 0) base += printf_text(" (%.2f GB/s)", spec.bytes / t.base);
        add(base + printf_text(", ours/base %.2f", t.ours / t.base));
    }
    if (t.floor > 0) {
        std::string floor = "floor " + format_time(t.floor);
        if (spec.target.kind == goal_kind::ours_over_peer && t.peer > 0)
            floor += printf_text(" (floor/peer %.2f)", t.floor / t.peer);
        add(floor + printf_text(", ours/floor %.2f", t.ours / t.floor));
    }
    std::string detail;
    for (const std::string& text : details) detail += (detail.empty() ? "" : ", ") + text;
    if (!spec.cost_note.empty()) detail += (detail.empty() ? "" : "; ") + spec.cost_note;

    r.word = word_of(spec, t);
    r.noisy = within_noise(spec, t, band);
    r.verdict = std::string(word_text(r.word)) + (r.noisy ? " ±" : "");
    if (!detail.empty()) r.verdict += " (" + detail + ")";
    return r;
}

// Table cells may not hold a '|' of their own.
inline std::string cell(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '|') out += "\\|";
        else out += c;
    }
    return out;
}

inline std::string markdown(const std::vector<row>& rows) {
    std::string out = "| operation | size | ours | peer | ratio | goal | verdict |\n"
                      "|---|---|---:|---:|---:|---|---|\n";
    for (const row& r : rows)
        out += "| " + cell(r.operation) + " | " + cell(r.size) + " | " + r.ours + " | " + r.peer + " | " +
               r.ratio + " | " + cell(r.goal) + " | " + cell(r.verdict) + " |\n";
    return out;
}

// The verdict counts on one line that starts "Verdicts:", easy to quote:
// "Verdicts: N pairs with a goal: A met, B at floor, C miss; D within their noise band (±)."
inline std::string verdict_counts(const std::vector<row>& rows) {
    int judged = 0, met = 0, at_floor = 0, miss = 0, noisy = 0;
    for (const row& r : rows) {
        if (!r.judged()) continue;
        ++judged;
        met += r.word == verdict_word::met;
        at_floor += r.word == verdict_word::at_floor;
        miss += r.word == verdict_word::miss;
        noisy += r.noisy;
    }
    return "Verdicts: " + std::to_string(judged) + " pairs with a goal: " + std::to_string(met) + " met, " +
           std::to_string(at_floor) + " at floor, " + std::to_string(miss) + " miss; " + std::to_string(noisy) +
           " within their noise band (±).";
}

// The counts, then the pairs that miss and those at their floor by name, one line each kind.
inline std::string verdict_summary(const std::vector<row>& rows) {
    std::string missing, at_floor;
    for (const row& r : rows) {
        if (!r.judged()) continue;
        std::string name = r.operation + " (" + r.size + ", " + r.ratio + (r.noisy ? ", ±" : "") + ")";
        if (r.word == verdict_word::at_floor) at_floor += (at_floor.empty() ? "" : "; ") + name;
        else if (r.word != verdict_word::met) missing += (missing.empty() ? "" : "; ") + name;
    }
    std::string out = verdict_counts(rows) + "\n";
    if (!missing.empty()) out += "\nMissing: " + missing + ".\n";
    if (!at_floor.empty()) out += "\nAt floor: " + at_floor + ".\n";
    return out;
}

// The pairs that miss their goal beyond their noise band, one line each: operation, size, ratio,
// goal and verdict (which carries the floor where the pair has one).  Empty when every pair with
// a goal meets it, is at its floor, or misses it only by as much as its times may move between
// runs (marked ±: another run may find it met, and a check that failed on it would judge the
// machine's load, not the code).
inline std::string misses(const std::vector<row>& rows) {
    std::string out;
    for (const row& r : rows)
        if (r.judged() && !r.met() && !r.noisy) out += r.operation + " (" + r.size + "): ratio " + r.ratio + ", goal " + r.goal + ", " + r.verdict + "\n";
    return out;
}

// Samples by benchmark name; a pair is tabled when its ours and peer sides both have samples.
struct results {
    std::map<std::string, std::vector<double>> samples;

    double median_of(const std::string& name) const {
        auto it = samples.find(name);
        return it == samples.end() ? NAN : median(it->second);
    }
    // The time a side is judged on.
    double time_of(const std::string& name) const {
        auto it = samples.find(name);
        return it == samples.end() ? NAN : lower_quartile(it->second);
    }
    double spread_of(const std::string& name) const {
        auto it = samples.find(name);
        return it == samples.end() ? 0 : spread(it->second);
    }
    bool has(const std::string& name) const { return samples.count(name) != 0; }

    // Whether the pair has what it is tabled on: ours, and the peer unless it is measured alone.
    bool measured(const pair_spec& spec) const {
        return has(bench_name(spec, "ours")) && (spec.solo || has(bench_name(spec, "peer")));
    }

    times times_of(const pair_spec& spec) const {
        return {time_of(bench_name(spec, "ours")), time_of(bench_name(spec, "peer")),
                time_of(bench_name(spec, "floor")), time_of(bench_name(spec, "base"))};
    }

    // Each side's noise band: `base` plus half its repetitions' spread, so that a side whose
    // repetitions spread widely has the wider band the spread shows.
    times bands_of(const pair_spec& spec, double base) const {
        auto band = [&](const char* side) { return base + spread_of(bench_name(spec, side)) / 2; };
        return {band("ours"), band("peer"), band("floor"), band("base")};
    }

    std::vector<row> table(const std::vector<pair_spec>& specs, double noise_base = NOISE_BASE) const {
        std::vector<row> rows;
        for (const pair_spec& spec : specs)
            if (measured(spec)) rows.push_back(judge(spec, times_of(spec), bands_of(spec, noise_base)));
        return rows;
    }

    // The pairs whose verdict one more measurement could still turn: those whose repetitions
    // spread more than spread_limit, and those whose verdict is another one somewhere within
    // their noise band (either side of a bound, so that a narrow meet is measured again as much
    // as a narrow miss).
    std::vector<const pair_spec*> unsettled(const std::vector<pair_spec>& specs, double spread_limit,
                                            double noise_base = NOISE_BASE) const {
        std::vector<const pair_spec*> out;
        for (const pair_spec& spec : specs)
            if (measured(spec) &&
                (is_noisy(spec, spread_limit) || within_noise(spec, times_of(spec), bands_of(spec, noise_base))))
                out.push_back(&spec);
        return out;
    }

    // Adds the samples another process printed, one "SAMPLE<tab>name<tab>value" line each;
    // false when there was none.
    bool add_printed(const std::string& text) {
        bool any = false;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            at = end + 1;
            if (line.rfind("SAMPLE\t", 0) != 0) continue;
            size_t tab = line.find('\t', 7);
            if (tab == std::string::npos) continue;
            char* stop = nullptr;
            double value = std::strtod(line.c_str() + tab + 1, &stop);
            if (stop == line.c_str() + tab + 1 || !std::isfinite(value)) continue;
            samples[line.substr(7, tab - 7)].push_back(value);
            any = true;
        }
        return any;
    }

    // The measured pairs with a goal that they miss (at their floor is no miss).
    std::vector<const pair_spec*> missing(const std::vector<pair_spec>& specs) const {
        std::vector<const pair_spec*> out;
        for (const pair_spec& spec : specs)
            if (measured(spec)) {
                row r = judge(spec, times_of(spec));
                if (r.judged() && !r.met()) out.push_back(&spec);
            }
        return out;
    }

private:
    // Whether the pair's samples on any side spread more than the limit.
    bool is_noisy(const pair_spec& spec, double limit) const {
        for (const char* side : {"ours", "peer", "floor", "base"})
            if (spread_of(bench_name(spec, side)) > limit) return true;
        return false;
    }
};

// The results file with a run's table between its lines "<!-- table begin -->" and
// "<!-- table end -->" and the run's line added at the end of the list between
// "<!-- runs begin -->" and "<!-- runs end -->", so that the file holds the last full run's table
// and the verdict counts of every full run; `error` says which markers are missing.
inline std::string with_run(const std::string& text, const std::string& table, const std::string& run_line,
                            std::string& error) {
    const std::string table_begin = "<!-- table begin -->\n", table_end = "<!-- table end -->";
    const std::string runs_end = "<!-- runs end -->";
    size_t from = text.find(table_begin), to = text.find(table_end);
    size_t runs_begin_at = text.find("<!-- runs begin -->\n"), runs_end_at = text.find(runs_end);
    if (from == std::string::npos || to == std::string::npos || to < from) {
        error = "no table markers";
        return text;
    }
    if (runs_begin_at == std::string::npos || runs_end_at == std::string::npos || runs_end_at < runs_begin_at ||
        (runs_begin_at < to && runs_end_at > from)) {
        error = "no runs markers, or runs markers around the table's";
        return text;
    }
    error.clear();
    std::string out = text.substr(0, runs_end_at) + run_line + "\n" + text.substr(runs_end_at);
    from = out.find(table_begin);
    to = out.find(table_end);
    return out.substr(0, from + table_begin.size()) + table + out.substr(to);
}

}  // namespace vt_bench

#endif
