// The benchmark program: runs every pair (ours against the peer a user would pick instead) pair
// by pair, with the repetitions of a pair's sides in random interleaving so that load on the
// shared machine hits every side alike; measures again the pairs whose repetitions spread widely
// or whose verdict could be another within their noise band, then those and the pairs that miss
// once more in a fresh process (--processes=1 leaves that out; --samples-only is how that process is asked); and
// writes the table.
//
//   vt_bench [--table=FILE] [--results=FILE] [--rerun-spread=0.25] [--noise-base=0.05] [--processes=2]
//            [--rerun-rounds=4] [--check] [benchmark flags]
//
// --check makes the exit status 1 when a pair with a goal misses it beyond its noise band (a pair
// that misses within it, marked ±, does not, nor does a pair at its floor), after printing the
// misses on standard error (the table and the results file are written
// all the same).  --noise-base is each side's noise band before its spread is added.
// --table writes the markdown table (with the machine it ran on) to FILE; --results replaces
// the part of FILE between the lines "<!-- table begin -->" and "<!-- table end -->" with it and
// adds the run's verdict counts to the list between "<!-- runs begin -->" and "<!-- runs end -->".
// The last line printed on standard output is the verdict counts, "Verdicts: ...".
// Times are CPU time per iteration, the lower quartile of the repetitions.  The C heap keeps its memory
// (no mmap per large block, no trimming), as a long-running host process's heap does.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "bench/bench.h"

namespace vt_bench {

std::vector<pair_spec>& pair_specs() {
    static std::vector<pair_spec> specs;
    return specs;
}

std::vector<void (*)()>& pair_adders() {
    static std::vector<void (*)()> adders;
    return adders;
}

namespace {

// A pair whose goals are no ratios of sides measured in the same run stops the program before
// anything is measured.
void refuse_bad_goal(const pair_spec& spec) {
    std::string error = goal_error(spec);
    if (error.empty()) return;
    std::fprintf(stderr, "vt_bench: pair %s (%s): %s\n", spec.id.c_str(), spec.size.c_str(), error.c_str());
    std::exit(2);
}

}  // namespace

void add_pair(pair_spec spec, bench_fn ours, bench_fn peer, bench_fn floor, bench_fn base) {
    spec.has_floor = static_cast<bool>(floor);
    spec.has_base = static_cast<bool>(base);
    refuse_bad_goal(spec);
    pair_specs().push_back(spec);
    benchmark::RegisterBenchmark(bench_name(spec, "ours").c_str(), ours);
    benchmark::RegisterBenchmark(bench_name(spec, "peer").c_str(), peer);
    if (floor) benchmark::RegisterBenchmark(bench_name(spec, "floor").c_str(), floor);
    if (base) benchmark::RegisterBenchmark(bench_name(spec, "base").c_str(), base);
}

void add_solo(pair_spec spec, bench_fn ours, std::function<void(benchmark::internal::Benchmark*)> configure) {
    spec.solo = true;
    refuse_bad_goal(spec);
    pair_specs().push_back(spec);
    benchmark::internal::Benchmark* bench = benchmark::RegisterBenchmark(bench_name(spec, "ours").c_str(), ours);
    if (configure) configure(bench);
}

std::vector<child_mode>& child_modes() {
    static std::vector<child_mode> modes;
    return modes;
}

std::string output_of(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    return pclose(pipe) == 0 ? out : std::string();
}

void report_side(benchmark::State& state, const char* side, double total_ns) {
    state.counters[std::string(SIDE_COUNTER_PREFIX) + side] =
        benchmark::Counter(total_ns, benchmark::Counter::kAvgIterations);
}

void require(bool same, const char* what) {
    if (same) return;
    std::fprintf(stderr, "vt_bench: the two sides disagree: %s\n", what);
    std::exit(2);
}

namespace {

// Collects the CPU time of every repetition; prints one short line per finished benchmark.
class collector : public benchmark::BenchmarkReporter {
public:
    explicit collector(results& into) : into_(into) {}

    bool ReportContext(const Context&) override { return true; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const std::string& name = run.run_name.function_name;
            if (run.error_occurred) {
                std::fprintf(stderr, "%s: %s\n", name.c_str(), run.error_message.c_str());
                continue;
            }
            // Benchmarks that time a child process report the child's own figure as manual time.
            double per_iteration = run.run_name.time_type == "manual_time" ? run.GetAdjustedRealTime()
                                                                          : run.GetAdjustedCPUTime();
            double ns = per_iteration * to_ns(run.time_unit);
            into_.samples[name].push_back(ns);
            std::fprintf(stderr, "  %-58s %s\n", name.c_str(), format_time(ns).c_str());
            // A side measured in the same process as ours (report_side) joins its pair.
            const std::string prefix = SIDE_COUNTER_PREFIX, ours = "/ours";
            for (const auto& [counter, value] : run.counters)
                if (counter.rfind(prefix, 0) == 0 && name.size() > ours.size() &&
                    name.compare(name.size() - ours.size(), ours.size(), ours) == 0) {
                    std::string side = name.substr(0, name.size() - ours.size() + 1) + counter.substr(prefix.size());
                    into_.samples[side].push_back(value.value);
                    std::fprintf(stderr, "  %-58s %s\n", side.c_str(), format_time(value.value).c_str());
                }
        }
    }

private:
    static double to_ns(benchmark::TimeUnit unit) {
        switch (unit) {
        case benchmark::kNanosecond: return 1;
        case benchmark::kMicrosecond: return 1e3;
        case benchmark::kMillisecond: return 1e6;
        case benchmark::kSecond: return 1e9;
        }
        return 1;
    }
    results& into_;
};

std::string regex_escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}", c)) out += '\\';
        out += c;
    }
    return out;
}

// The pattern that selects every side of one pair.
std::string pair_pattern(const pair_spec& spec) { return "^" + regex_escape(bench_name(spec, "")); }

// The pairs the user's --benchmark_filter selects (a pair whose side matches it); all of them
// without a filter.
std::vector<const pair_spec*> selected(const std::vector<pair_spec>& specs, const std::string& filter) {
    std::vector<const pair_spec*> out;
    bool all = filter.empty() || filter == "all" || filter == ".";
    std::regex pattern;
    try {
        if (!all) pattern = std::regex(filter, std::regex::extended);
    } catch (const std::regex_error&) {
        std::fprintf(stderr, "vt_bench: --benchmark_filter is no regular expression: %s\n", filter.c_str());
        std::exit(1);
    }
    for (const pair_spec& spec : specs) {
        bool match = all;
        for (const char* side : {"ours", "peer", "floor"})
            if (!match && std::regex_search(bench_name(spec, side), pattern)) match = true;
        if (match) out.push_back(&spec);
    }
    return out;
}

// This program's file (the shell that runs a command has its own /proc/self).
std::string own_path() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "vt_bench";
    path[length] = 0;
    return path;
}

// A word for the shell: in single quotes, a quote inside written as '\''.
std::string shell_quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

std::string read_file(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string first_line_of(const char* path, const char* prefix) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) {
            size_t colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(line.find_first_not_of(" \t", colon + 1));
        }
    return "unknown";
}

// The machine the table was measured on: the CPU's model name with its family and model numbers
// (a model name such as "AMD EPYC" alone may stand for several generations) and the clock the
// kernel reports for it, where /proc/cpuinfo tells them.
std::string cpu_text() {
    const char* info = "/proc/cpuinfo";
    std::string text = first_line_of(info, "model name");
    std::string family = first_line_of(info, "cpu family"), model = first_line_of(info, "model\t");
    if (family != "unknown" && model != "unknown") text += " (family " + family + ", model " + model + ")";
    std::string mhz = first_line_of(info, "cpu MHz");
    if (mhz != "unknown") text += printf_text(" at %.0f MHz", std::atof(mhz.c_str()));
    return text;
}

std::string machine_text() {
    return "Machine: " + std::to_string(std::thread::hardware_concurrency()) + " cores (nproc), CPU " + cpu_text() +
           ", compiler g++ " + __VERSION__ + ", build type Release (-O3).\n";
}

// "2026-12-09 14:05" in local time.
std::string now_text() {
    char text[32];
    std::time_t now = std::time(nullptr);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", std::localtime(&now));
    return text;
}

}  // namespace
}  // namespace vt_bench

int main(int argc, char** argv) {
    using namespace vt_bench;
    if (argc == 2 && std::strncmp(argv[1], "--vt-child=", 11) == 0) {
        for (const child_mode& mode : child_modes())
            if (std::strcmp(mode.name, argv[1] + 11) == 0) return mode.run();
        return 2;
    }
    const char* table_path = nullptr;
    const char* results_path = nullptr;
    double rerun_spread = 0.25;
    double noise_base = NOISE_BASE;
    int rerun_rounds = 4;
    int processes = 2;
    bool check = false, samples_only = false;
    std::vector<char*> args{argv[0]};
    bool has_repetitions = false, has_interleaving = false, has_min_time = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--table=", 8) == 0) table_path = argv[i] + 8;
        else if (std::strncmp(argv[i], "--results=", 10) == 0) results_path = argv[i] + 10;
        else if (std::strncmp(argv[i], "--rerun-spread=", 15) == 0) rerun_spread = std::atof(argv[i] + 15);
        else if (std::strncmp(argv[i], "--rerun-rounds=", 15) == 0) rerun_rounds = std::atoi(argv[i] + 15);
        else if (std::strncmp(argv[i], "--noise-base=", 13) == 0) noise_base = std::atof(argv[i] + 13);
        else if (std::strncmp(argv[i], "--processes=", 12) == 0) processes = std::atoi(argv[i] + 12);
        else if (std::strcmp(argv[i], "--samples-only") == 0) samples_only = true;
        else if (std::strcmp(argv[i], "--check") == 0) check = true;
        else {
            has_repetitions |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
            has_interleaving |= std::strncmp(argv[i], "--benchmark_enable_random_interleaving", 38) == 0;
            has_min_time |= std::strncmp(argv[i], "--benchmark_min_time", 20) == 0;
            args.push_back(argv[i]);
        }
    }
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    static char min_time[] = "--benchmark_min_time=0.05";
    if (!has_repetitions) args.push_back(repetitions);
    if (!has_interleaving) args.push_back(interleaving);
    if (!has_min_time) args.push_back(min_time);
    for (void (*add)() : pair_adders()) add();
    // The benchmark flags as given, for a fresh process (Initialize takes them out of args).
    std::vector<std::string> flags;
    for (size_t i = 1; i < args.size(); ++i)
        if (std::strncmp(args[i], "--benchmark_filter", 18) != 0) flags.push_back(args[i]);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

    // The C heap's thresholds are fixed for the whole run: left dynamic, the first large block a
    // benchmark frees raises glibc's mmap threshold for every benchmark after it, and which side
    // of a pair pays for fresh pages would depend on the order of the run.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);

    // Each pair is measured in a window of its own: the repetitions of its sides (ours, the peer
    // and the floor) run in random interleaving with one another and with nothing else, so the
    // window lasts about a second.  The load on a shared machine swings over seconds; within the
    // window it hits every side of the pair alike, where interleaving the whole run spread a
    // pair's sides over minutes of different load.
    results all;
    collector report(all);
    std::vector<const pair_spec*> wanted = selected(pair_specs(), benchmark::GetBenchmarkFilter());
    for (const pair_spec* spec : wanted) benchmark::RunSpecifiedBenchmarks(&report, pair_pattern(*spec));

    // Pairs whose verdict another window could turn (their samples spread widely, or another
    // verdict lies within their noise band) get one more window per round; its repetitions join
    // the old ones, every side's alike.  Those still within their band at the end are marked.
    for (int round = 0; round < rerun_rounds; ++round) {
        std::vector<const pair_spec*> again;
        for (const pair_spec* spec : all.unsettled(pair_specs(), rerun_spread, noise_base))
            if (std::find(wanted.begin(), wanted.end(), spec) != wanted.end()) again.push_back(spec);
        if (again.empty()) break;
        std::fprintf(stderr, "vt_bench: %zu pairs noisy or within their noise band of another verdict, measuring them again\n", again.size());
        for (const pair_spec* spec : again) benchmark::RunSpecifiedBenchmarks(&report, pair_pattern(*spec));
    }

    // A process that measures for another prints its samples and stops.
    if (samples_only) {
        for (const auto& [name, values] : all.samples)
            for (double value : values) std::printf("SAMPLE\t%s\t%.6g\n", name.c_str(), value);
        benchmark::Shutdown();
        return 0;
    }

    // Some of what a pair measures is fixed once per process (where the heap, the stack and the
    // code land), and more windows in the same process cannot undo it: pairs still unsettled, or
    // missing their goal, are measured again in a fresh process, whose samples join these.
    for (int process = 1; process < processes; ++process) {
        std::vector<const pair_spec*> again;
        for (const std::vector<const pair_spec*>& list :
             {all.unsettled(pair_specs(), rerun_spread, noise_base), all.missing(pair_specs())})
            for (const pair_spec* spec : list)
                if (std::find(wanted.begin(), wanted.end(), spec) != wanted.end() &&
                    std::find(again.begin(), again.end(), spec) == again.end())
                    again.push_back(spec);
        if (again.empty()) break;
        std::fprintf(stderr, "vt_bench: %zu pairs unsettled or missing their goal, measuring them in a fresh process\n",
                     again.size());
        std::string pattern = "^(";
        for (const pair_spec* spec : again) {
            if (pattern.size() > 2) pattern += '|';
            pattern += regex_escape(bench_name(*spec, ""));
        }
        pattern += ")";
        std::string command = shell_quoted(own_path()) + " --samples-only --processes=1" +
                              " --rerun-spread=" + std::to_string(rerun_spread) + " --noise-base=" +
                              std::to_string(noise_base) + " --rerun-rounds=" + std::to_string(rerun_rounds) +
                              " " + shell_quoted("--benchmark_filter=" + pattern);
        for (const std::string& flag : flags) command += " " + shell_quoted(flag);
        if (!all.add_printed(output_of(command)))
            std::fprintf(stderr, "vt_bench: the fresh process measured nothing\n");
    }

    std::vector<row> rows = all.table(pair_specs(), noise_base);
    std::string table = machine_text() + "\n" + markdown(rows) + "\n" + verdict_summary(rows);
    std::fputs(table.c_str(), stdout);
    if (table_path != nullptr) {
        std::ofstream out(table_path);
        out << table;
    }
    if (results_path != nullptr) {
        std::string error;
        std::string text = with_run(read_file(results_path), table,
                                    "- " + now_text() + ", " + cpu_text() + ": " + verdict_counts(rows), error);
        if (!error.empty()) {
            std::fprintf(stderr, "vt_bench: %s: %s\n", results_path, error.c_str());
            return 1;
        }
        std::ofstream out(results_path);
        out << text;
    }
    benchmark::Shutdown();
    std::string missed = misses(rows);
    if (check && !missed.empty()) std::fprintf(stderr, "vt_bench: pairs missing their goal:\n%s", missed.c_str());
    std::fflush(stderr);
    std::printf("\n%s\n", verdict_counts(rows).c_str());
    return check && !missed.empty() ? 1 : 0;
}
