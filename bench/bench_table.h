// The results table of the benchmarks: pairs of measurements (ours against what a user would
// pick instead), their ratio, the goal each pair has and the verdict.
//
// Every pair has an id without '/', a size text and up to three benchmarks named
// "<id>/<size>/ours", "<id>/<size>/peer" and "<id>/<size>/floor".  The floor, where there is one,
// is the least work the runtime's required behaviour implies (zeroing new memory, the 0xFF
// overwrite on release...), done the plainest way, so that the table can say how much of our
// cost the requirement itself sets; the pair's cost note says what the floor does.  Times are the
// lower quartile of the repetitions, in nanoseconds per iteration.  Nothing here depends on the benchmark
// library, so the judging and the table are tested on their own.
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

enum class goal_kind {
    none,             // measured and reported, no goal
    ratio_at_most,    // ours / peer <= limit
    extra_ns_at_most, // ours - peer <= limit nanoseconds
    ours_us_below,    // ours < limit microseconds, whatever the peer does
};

struct goal {
    goal_kind kind = goal_kind::none;
    double limit = 0;
    double min_gbps = 0;      // also required: bytes per iteration / ours >= this (0: none)
};

struct pair_spec {
    std::string id;           // benchmark name prefix, no '/'
    std::string operation;    // what the table shows, "getmem/rlsmem vs malloc+memset/free"
    std::string size;         // what the table shows in the size column and the name's middle
    goal target;
    double bytes = 0;         // bytes processed per iteration, for a throughput goal
    std::string cost_note;    // what the required behaviour costs, shown with the verdict
    bool solo = false;        // measured alone: no peer, the goal is on ours
};

struct row {
    std::string operation, size, ours, peer, ratio, goal, verdict;
    bool judged = false;      // the pair has a goal
    bool met = false;         // and meets it
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

inline std::string goal_text(const pair_spec& spec) {
    std::string text;
    switch (spec.target.kind) {
    case goal_kind::none: return "-";
    case goal_kind::ratio_at_most: text = printf_text("≤ %.2f", spec.target.limit); break;
    case goal_kind::extra_ns_at_most: text = printf_text("≤ +%.1f ns", spec.target.limit); break;
    case goal_kind::ours_us_below: text = printf_text("ours < %.0f µs", spec.target.limit); break;
    }
    if (spec.target.min_gbps > 0) text += printf_text(", ≥ %.1f GB/s", spec.target.min_gbps);
    return text;
}

// Judges one pair from its sides' times (floor NaN when the pair has none).
inline row judge(const pair_spec& spec, double ours, double peer, double floor) {
    row r;
    r.operation = spec.operation;
    r.size = spec.size;
    r.ours = format_time(ours);
    r.peer = format_time(peer);
    double ratio = ours / peer;
    r.ratio = std::isfinite(ratio) ? printf_text("%.2f", ratio) : "-";
    r.goal = goal_text(spec);

    std::string detail;
    bool met = true;
    switch (spec.target.kind) {
    case goal_kind::none: break;
    case goal_kind::ratio_at_most: met = std::isfinite(ratio) && ratio <= spec.target.limit; break;
    case goal_kind::extra_ns_at_most:
        met = std::isfinite(ours - peer) && ours - peer <= spec.target.limit;
        detail = printf_text("%+.2f ns", ours - peer);
        break;
    case goal_kind::ours_us_below: met = std::isfinite(ours) && ours / 1e3 < spec.target.limit; break;
    }
    if (spec.bytes > 0 && ours > 0) {
        double gbps = spec.bytes / ours;   // bytes per nanosecond = GB/s
        if (spec.target.min_gbps > 0 && !(gbps >= spec.target.min_gbps)) met = false;
        detail += (detail.empty() ? "" : ", ") + printf_text("%.2f GB/s", gbps);
    }
    if (!std::isnan(floor) && floor > 0) {
        detail += (detail.empty() ? "" : ", ") + std::string("floor ") + format_time(floor) +
                  printf_text(", ours/floor %.2f", ours / floor);
    }
    if (!spec.cost_note.empty()) detail += (detail.empty() ? "" : "; ") + spec.cost_note;

    r.judged = spec.target.kind != goal_kind::none;
    r.met = r.judged && met;
    r.verdict = r.judged ? (met ? "meets" : "misses") : "no goal";
    if (!detail.empty()) r.verdict += " (" + detail + ")";
    return r;
}

// Whether a pair's times lie within `margin` (a fraction) of its goal's limit, either side of
// it: for a ratio goal the ratio within margin of the limit, for an extra-time goal the extra time
// within margin of the peer's time from the limit, for an absolute goal ours within margin of it.
// A missing measurement is not near anything: it misses whatever is measured again.
inline bool near_goal(const pair_spec& spec, double ours, double peer, double margin) {
    switch (spec.target.kind) {
    case goal_kind::none: return false;
    case goal_kind::ratio_at_most: {
        double ratio = ours / peer;
        return std::isfinite(ratio) && std::fabs(ratio - spec.target.limit) <= margin * spec.target.limit;
    }
    case goal_kind::extra_ns_at_most: {
        double extra = ours - peer;
        return std::isfinite(extra) && std::fabs(extra - spec.target.limit) <= margin * peer;
    }
    case goal_kind::ours_us_below: return std::isfinite(ours) && std::fabs(ours / 1e3 - spec.target.limit) <= margin * spec.target.limit;
    }
    return false;
}

// How far above its floor a pair may lie when the floor itself is beyond the goal.
constexpr double FLOOR_BOUND = 1.3;

// Whether ours/floor lies within `margin` of FLOOR_BOUND, either side of it.
inline bool near_floor_bound(double ours, double floor, double margin) {
    double share = ours / floor;
    return std::isfinite(share) && floor > 0 && std::fabs(share - FLOOR_BOUND) <= margin * FLOOR_BOUND;
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

// "N pairs with a goal: M meet, K miss." and the missing ones by name.
inline std::string verdict_summary(const std::vector<row>& rows) {
    int judged = 0, met = 0;
    std::string missing;
    for (const row& r : rows) {
        if (!r.judged) continue;
        ++judged;
        if (r.met) ++met;
        else missing += (missing.empty() ? "" : "; ") + r.operation + " (" + r.size + ", " + r.ratio + ")";
    }
    std::string out = std::to_string(judged) + " pairs with a goal: " + std::to_string(met) + " meet, " +
                      std::to_string(judged - met) + " miss.";
    if (!missing.empty()) out += " Missing: " + missing + ".";
    return out;
}

// The pairs that miss their goal, one line each: operation, size, ratio and verdict (which
// carries the floor where the pair has one).  Empty when every pair with a goal meets it.
inline std::string misses(const std::vector<row>& rows) {
    std::string out;
    for (const row& r : rows)
        if (r.judged && !r.met) out += r.operation + " (" + r.size + "): ratio " + r.ratio + ", goal " + r.goal + ", " + r.verdict + "\n";
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

    std::vector<row> table(const std::vector<pair_spec>& specs) const {
        std::vector<row> rows;
        for (const pair_spec& spec : specs) {
            std::string ours = bench_name(spec, "ours"), peer = bench_name(spec, "peer");
            if (!has(ours) || (!spec.solo && !has(peer))) continue;
            rows.push_back(judge(spec, time_of(ours), time_of(peer), time_of(bench_name(spec, "floor"))));
        }
        return rows;
    }

    // The pairs whose verdict one more measurement could still turn: those that spread more than
    // spread_limit, those with a goal whose times lie within `margin` of its limit (either side
    // of it, so that a narrow meet is measured again as much as a narrow miss), and those whose
    // ours/floor lies within `margin` of the 1.3 that a goal beyond the floor leaves.
    std::vector<const pair_spec*> unsettled(const std::vector<pair_spec>& specs, double spread_limit,
                                            double margin) const {
        std::vector<const pair_spec*> out;
        for (const pair_spec& spec : specs) {
            std::string ours = bench_name(spec, "ours"), peer = bench_name(spec, "peer");
            if (!has(ours) || (!spec.solo && !has(peer))) continue;
            double floor = time_of(bench_name(spec, "floor"));
            if (is_noisy(spec, spread_limit) || near_goal(spec, time_of(ours), time_of(peer), margin) ||
                near_floor_bound(time_of(ours), floor, margin))
                out.push_back(&spec);
        }
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

    // The measured pairs with a goal that they miss.
    std::vector<const pair_spec*> missing(const std::vector<pair_spec>& specs) const {
        std::vector<const pair_spec*> out;
        for (const pair_spec& spec : specs) {
            std::string ours = bench_name(spec, "ours"), peer = bench_name(spec, "peer");
            if (!has(ours) || (!spec.solo && !has(peer))) continue;
            row r = judge(spec, time_of(ours), time_of(peer), time_of(bench_name(spec, "floor")));
            if (r.judged && !r.met) out.push_back(&spec);
        }
        return out;
    }

private:
    // Whether the pair's ours, peer or floor samples spread more than the limit.
    bool is_noisy(const pair_spec& spec, double limit) const {
        for (const char* side : {"ours", "peer", "floor"})
            if (spread_of(bench_name(spec, side)) > limit) return true;
        return false;
    }
};

}  // namespace vt_bench

#endif
