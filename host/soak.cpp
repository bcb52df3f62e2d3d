/* `vthost soak`: runs the generated session against the soak module and checks it as it goes.
 *
 * Standard output is caught in a pipe for the whole soak: the client library's lines and the
 * add-in's message log arrive there, and after each script line the soak writes a mark of its own
 * and reads everything up to it, so it knows exactly what that line caused.  Standard error goes
 * to a file in the work folder (on POSIX the add-in's command-code trace lands there); the soak
 * keeps copies of the original descriptors and puts them back before it tells its verdict.
 *
 * Checked at every line: each client-library call against the world's prediction, the status
 * the save hook and the commands hand back, and the host's models against the world's.  At
 * every point where the session holds no model, once the run is warm: the module's memory
 * figures against the first such point's.  Every K lines: the chain's consistency.  After each
 * run: its recording replayed with `vthost --compare`.  At the end: the process size at event
 * N/10 and N, and the growth of the message log and the recordings over the two halves. */
#include "host/soak.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

#include "frame/vt_constants.h"
#include "host/session.h"
#include "host/host_platform.h"
#include "memory/figures.h"
#include "platform/platform.h"

namespace vthost {

namespace fs = std::filesystem;

namespace {

const char usage[] =
    "usage: vthost soak [--events N] [--seed S] [--languages all|LIST] [--check-every K]\n"
    "                   [--work DIR] [--keep] [--addin MODULE] [--write FILE]\n"
    "  --events N        script lines in all, quit lines included (default 10000)\n"
    "  --seed S          the session's seed (default: from the clock; printed)\n"
    "  --languages L     language codes or names, comma-separated, or all (default all)\n"
    "  --check-every K   walk the add-in's memory chain every K lines (default 1000)\n"
    "  --work DIR        scripts, recordings and the add-in's standard error (default: a new\n"
    "                    folder in the temporary folder, removed when the soak passes)\n"
    "  --keep            keep the work folder when the soak passes\n"
    "  --addin MODULE    the soak module (default: vt_vexo_soak beside vthost)\n"
    "  --write FILE      only write the generated session's lines to FILE and stop\n";

/* The growth allowed between the first and the second half of the soak: bytes per line of the
 * second half at most this many times the first half's, plus a fixed allowance for the headers
 * of the runs that happen to fall in it. */
constexpr double GROWTH_RATIO = 1.5;
constexpr uint64_t GROWTH_ALLOWANCE = 4096;
/* The process size may differ between event N/10 and event N by less than this, or than 10 % of
 * the size at N/10 where that is more. */
constexpr uint64_t PROCESS_BOUND = 4u << 20;
/* A run counts as warm from this many lines on. */
constexpr long WARM_LINES = 50;

const char mark_text[] = "\x1Evthost-soak-mark";

struct SoakOptions {
    long events = 10000;
    uint64_t seed = 0;
    bool seed_given = false;
    std::vector<int> languages;
    std::string languages_text = "all";
    long check_every = 1000;
    std::string work;
    bool keep = false;
    std::string addin;
    std::string write;
};

bool parse_number(const std::string& text, unsigned long long& value) {
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = strtoull(text.c_str(), nullptr, 10);
    return true;
}

bool parse_languages(const std::string& text, std::vector<int>& codes, std::string& error) {
    codes.clear();
    if (text == "all") {
        for (int code = 0; code <= VT_LANG_SLOVAK; ++code) codes.push_back(code);
        return true;
    }
    for (const std::string& word : split(text, ',')) {
        int code = language_code_from_text(word);
        if (code < 0 || code > VT_LANG_SLOVAK) {
            error = "--languages: '" + word + "' is not a language of the add-in (0 to 20 or a name)";
            return false;
        }
        codes.push_back(code);
    }
    if (codes.empty()) {
        error = "--languages: no language given";
        return false;
    }
    return true;
}

bool parse_soak_options(const std::vector<std::string>& args, SoakOptions& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        auto take = [&]() {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        /* A count of events or lines: 1 to 10^9. */
        auto take_count = [&](long& count, const char* what) {
            if (!take()) return false;
            unsigned long long number = 0;
            if (!parse_number(value, number) || number < 1 || number > 1000000000ull) {
                error = arg + ": '" + value + "' is not " + what;
                return false;
            }
            count = static_cast<long>(number);
            return true;
        };
        unsigned long long number = 0;
        if (arg == "--events") {
            if (!take_count(options.events, "a count from 1 to 10^9")) return false;
        } else if (arg == "--seed") {
            if (!take()) return false;
            if (!parse_number(value, number)) {
                error = "--seed: '" + value + "' is not a number";
                return false;
            }
            options.seed = number;
            options.seed_given = true;
        } else if (arg == "--languages") {
            if (!take() || !parse_languages(value, options.languages, error)) return false;
            options.languages_text = value;
        } else if (arg == "--check-every") {
            if (!take_count(options.check_every, "a count")) return false;
        } else if (arg == "--work") {
            if (!take()) return false;
            options.work = value;
        } else if (arg == "--keep") {
            options.keep = true;
        } else if (arg == "--addin") {
            if (!take()) return false;
            options.addin = value;
        } else if (arg == "--write") {
            if (!take()) return false;
            options.write = value;
        } else {
            error = "unknown soak option " + arg;
            return false;
        }
    }
    if (options.languages.empty()) parse_languages("all", options.languages, error);
    return true;
}

/* FNV-1a, 64 bits: the hash of the client library's lines, the same on every build. */
struct LineHash {
    uint64_t value = 0xCBF29CE484222325ull;
    void add(const std::string& text) {
        for (unsigned char byte : text) value = (value ^ byte) * 0x100000001B3ull;
        value = (value ^ '\n') * 0x100000001B3ull;
    }
    std::string text() const {
        char out[17];
        snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(value));
        return out;
    }
};

std::string figures_text(const memory_figures& f) {
    char text[200];
    snprintf(text, sizeof text, "chain %d blocks, %lld bytes; clumps %d, %d chunks, %lld objects", f.chain_blocks,
             static_cast<long long>(f.chain_bytes), f.clumps, f.clump_chunks, static_cast<long long>(f.clump_objects));
    return text;
}

bool same_figures(const memory_figures& a, const memory_figures& b) {
    return a.chain_blocks == b.chain_blocks && a.chain_bytes == b.chain_bytes && a.clumps == b.clumps &&
           a.clump_chunks == b.clump_chunks && a.clump_objects == b.clump_objects;
}

std::string mebibytes(uint64_t bytes) {
    char text[32];
    snprintf(text, sizeof text, "%.2f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

/* ---- the probes: the statuses the add-in hands back to the host ----------------------------- */

typedef int(VT_CDECL* plain_hook)(void);
plain_hook real_save_hook = nullptr;
std::map<int, command_action> real_actions;
bool status_seen = false;
int status_value = 0;

int VT_CDECL probe_save_hook(void) {
    status_value = real_save_hook();
    status_seen = true;
    return status_value;
}

int VT_CDECL probe_action(int command_id, void* value, void* data) {
    status_value = real_actions.at(command_id)(command_id, value, data);
    status_seen = true;
    return status_value;
}

/* Puts the probes between the host and the add-in's save hook and command actions. */
void install_probes(Host& host) {
    real_actions.clear();
    real_save_hook = nullptr;
    auto save = host.notifications.find(VT_NOTIFY_BEFORE_SAVE);
    if (save != host.notifications.end()) {
        real_save_hook = reinterpret_cast<plain_hook>(save->second);
        save->second = reinterpret_cast<notify_hook>(probe_save_hook);
    }
    for (Command& command : host.commands) {
        if (command.builtin || command.action == nullptr) continue;
        real_actions[command.id] = command.action;
        command.action = probe_action;
    }
}

typedef int(VT_CDECL* figures_function)(memory_figures*);

/* A check that did not hold: what, at which line. */
struct SoakFailure {
    std::string message;
};

class Soak {
public:
    Soak(const SoakOptions& options, const std::string& program) : options_(options), program_(program) {}
    int run();

private:
    [[noreturn]] void fail(const std::string& message) { throw SoakFailure{message}; }
    bool capture_output();
    void release_output();
    std::string drain();
    void start_run(const SoakStep& step);
    void run_line(const SoakStep& step);
    void end_run(const SoakStep& step);
    void compare_calls(const std::vector<ExpectedCall>& expected, const std::string& output,
                       const std::string& what);
    void check_world(const SoakWorld& world);
    memory_figures read_figures();
    void sample(long event);
    uint64_t recording_bytes() const;
    void replay(int run);
    int report_failure(const std::string& message);

    SoakOptions options_;
    std::string program_;
    fs::path work_;
    std::string module_path_;
    bool made_work_ = false;

    int pipe_[2] = {-1, -1};
    int saved_stdout_ = -1, saved_stderr_ = -1;
    int stderr_file_ = -1;
    std::string pending_;          /* read from the pipe, not yet taken */
    long marks_ = 0;

    std::unique_ptr<SoakGenerator> generator_;
    std::unique_ptr<LiveSession> session_;
    figures_function figures_ = nullptr;
    std::ofstream script_;
    fs::path script_path_, recording_path_;
    uint64_t finished_recordings_ = 0;
    long run_first_event_ = 0;
    bool have_warm_ = false;
    long warm_event_ = 0;
    memory_figures warm_ = {}, last_ = {}, first_warm_ = {};
    bool have_first_warm_ = false;
    long first_warm_event_ = 0;
    long flat_checks_ = 0;

    long event_ = 0;
    int run_ = 0, language_ = 0;
    std::string line_;
    LineHash hash_;
    long library_lines_ = 0;
    uint64_t log_bytes_ = 0;
    std::string first_log_line_;
    uint64_t size_tenth_ = 0, size_end_ = 0;
    long size_tenth_event_ = 0;
    uint64_t log_half_ = 0, recording_half_ = 0;
    long half_event_ = 0;
    double soak_seconds_ = 0, replay_seconds_ = 0;
    long replayed_calls_ = 0;
};

bool Soak::capture_output() {
    fflush(stdout);
    fflush(stderr);
    /* The pipe holds everything one line makes: a few client-library lines and log messages. */
    if (!make_pipe(pipe_, 1u << 20)) return false;
    saved_stdout_ = fd_dup(fileno(stdout));
    saved_stderr_ = fd_dup(fileno(stderr));
    stderr_file_ = create_file(text_of(work_ / "addin-stderr.txt"));
    if (saved_stdout_ < 0 || saved_stderr_ < 0 || stderr_file_ < 0) return false;
    if (fd_dup2(pipe_[1], fileno(stdout)) < 0 || fd_dup2(stderr_file_, fileno(stderr)) < 0) return false;
    fd_binary(fileno(stdout));
    return true;
}

void Soak::release_output() {
    fflush(stdout);
    fflush(stderr);
    if (saved_stdout_ >= 0) fd_dup2(saved_stdout_, fileno(stdout));
    if (saved_stderr_ >= 0) fd_dup2(saved_stderr_, fileno(stderr));
    for (int* descriptor : {&saved_stdout_, &saved_stderr_, &stderr_file_, &pipe_[0], &pipe_[1]}) {
        if (*descriptor >= 0) fd_close(*descriptor);
        *descriptor = -1;
    }
}

/* Everything written to standard output since the last mark, as it was written. */
std::string Soak::drain() {
    std::string mark = std::string(mark_text) + " " + std::to_string(++marks_) + "\n";
    fputs(mark.c_str(), stdout);
    fflush(stdout);
    size_t at;
    while ((at = pending_.find(mark)) == std::string::npos) {
        char buffer[65536];
        long count = fd_read(pipe_[0], buffer, sizeof buffer);
        if (count <= 0) fail("standard output was closed while the soak read it");
        pending_.append(buffer, static_cast<size_t>(count));
    }
    std::string caught = pending_.substr(0, at);
    pending_.erase(0, at + mark.size());
    return caught;
}

/* The printable form of a line for a person: bytes outside printable ASCII as \xHH. */
std::string shown(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7F || c == '\\') {
            char escape[5];
            snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

/* The stand-in's lines in what one step wrote, against the prediction; every other line is the
 * message log's.  A key may hold any byte but zero, a line end among them, so the output is read
 * as bytes: each predicted line must stand where the last one ended, whole. */
void Soak::compare_calls(const std::vector<ExpectedCall>& expected, const std::string& output,
                         const std::string& what) {
    static const std::string prefix = "VTProeVEXO: ";
    size_t at = 0, next = 0;
    while (at < output.size()) {
        if (output.compare(at, prefix.size(), prefix) != 0) {
            size_t end = output.find('\n', at);
            end = end == std::string::npos ? output.size() : end + 1;
            log_bytes_ += end - at;
            if (first_log_line_.empty()) first_log_line_ = shown(output.substr(at, end - at));
            at = end;
            continue;
        }
        size_t line_end = output.find('\n', at);
        std::string made = output.substr(at, line_end == std::string::npos ? std::string::npos : line_end - at);
        if (next >= expected.size())
            fail(what + " made a client-library call the host model does not predict:\n  made:      " + shown(made));
        std::string wanted = expected[next].line();
        if (output.compare(at, wanted.size(), wanted) != 0)
            fail(what + " made another client-library call than the host model predicts:\n  predicted: " +
                 shown(wanted) + "\n  made:      " + shown(made));
        hash_.add(wanted);
        ++library_lines_;
        at += wanted.size();
        if (output.compare(at, 1, "\n") == 0) {
            at += 1;
        } else if (!expected[next].has_argument && output.compare(at, 3, "  (") == 0) {
            /* The stand-in's note for a person, which may name a key holding a line end: it ends
             * at the ")\n" after which the next call or nothing stands. */
            size_t close = output.find(")\n", at);
            while (close != std::string::npos && close + 2 < output.size() &&
                   output.compare(close + 2, prefix.size(), prefix) != 0) {
                size_t further = output.find(")\n", close + 2);
                if (further == std::string::npos) break;
                close = further;
            }
            if (close == std::string::npos) fail(what + ": the client library's note does not end: " + shown(made));
            at = close + 2;
        } else {
            fail(what + " made another client-library call than the host model predicts:\n  predicted: " +
                 shown(wanted) + "\n  made:      " + shown(made));
        }
        ++next;
    }
    if (next < expected.size())
        fail(what + " did not make a client-library call the host model predicts:\n  predicted: " +
             shown(expected[next].line()));
}

void Soak::check_world(const SoakWorld& world) {
    Host& host = session_->host();
    const SoakModel* expected = world.current();
    Model* current = host.current_model();
    std::string want = expected != nullptr ? expected->key() : "(none)";
    std::string have = current != nullptr ? current->key() : "(none)";
    if (host.models.size() != world.models().size() || want != have)
        fail("the host holds " + std::to_string(host.models.size()) + " models, current " + have +
             "; the soak's world " + std::to_string(world.models().size()) + ", current " + want);
}

memory_figures Soak::read_figures() {
    memory_figures figures;
    if (figures_(&figures) != 0 || !figures.chain_consistent)
        fail("the add-in's memory chain is not consistent (" + figures_text(figures) + " walked)");
    last_ = figures;
    return figures;
}

uint64_t Soak::recording_bytes() const {
    std::error_code code;
    uint64_t size = fs::file_size(recording_path_, code);
    return finished_recordings_ + (code ? 0 : size);
}

void Soak::sample(long event) {
    if (size_tenth_event_ == 0 && event >= std::max<long>(1, options_.events / 10)) {
        size_tenth_ = process_bytes();
        size_tenth_event_ = event;
    }
    if (half_event_ == 0 && event >= options_.events / 2) {
        half_event_ = event;
        log_half_ = log_bytes_;
        recording_half_ = recording_bytes();
    }
    if (event % options_.check_every == 0 && figures_ != nullptr) read_figures();
}

void Soak::start_run(const SoakStep& step) {
    run_ = step.run;
    language_ = step.language;
    run_first_event_ = event_ + 1;
    have_warm_ = false;
    std::string stem = "run-" + std::to_string(step.run);
    script_path_ = work_ / (stem + ".vth");
    recording_path_ = work_ / (stem + ".vtr");
    std::error_code code;
    fs::remove(recording_path_, code);
    script_.open(script_path_, std::ios::binary | std::ios::trunc);
    script_ << "# vthost soak --seed " << options_.seed << " --events " << options_.events << " --languages "
            << options_.languages_text << ": run " << step.run << ", language " << step.language << " ("
            << language_name_of(step.language) << ")\n# replay: vthost --lang " << step.language << " " << stem
            << ".vth\n";
    script_.flush();
    /* Each run starts from the client library's default answers and records into a file of its
     * own: a recording ends at its quit. */
    platform.set_environment("VTPDM_ANSWERS", "");
    platform.set_environment("VT_VEXO_RECORD", text_of(recording_path_).c_str());
    Options session_options;
    session_options.addin = module_path_;
    session_options.quiet = true;
    session_options.language = step.language;
    session_ = std::make_unique<LiveSession>(session_options);
    int status = session_->start(program_);
    std::string output = drain();
    if (status != 0) fail("the add-in did not start (status " + std::to_string(status) + "); see addin-stderr.txt");
    int os_error = 0;
    figures_ = reinterpret_cast<figures_function>(platform.dll_symbol(session_->module(), "vt_vexo_soak_figures", &os_error));
    if (figures_ == nullptr)
        fail(module_path_ + " does not export vt_vexo_soak_figures: the soak reads the add-in's memory through "
             "it; give the soak module (vt_vexo_soak), not the product module");
    std::vector<ExpectedCall> startup(3);
    const char* names[] = {"BeforeInit", "Start", "AfterInit"};
    for (int i = 0; i < 3; ++i) startup[i].function = names[i];
    compare_calls(startup, output, "start-up");
    install_probes(session_->host());
}

void Soak::run_line(const SoakStep& step) {
    line_ = step.line;
    script_ << step.line << "\n";
    status_seen = false;
    std::string error;
    if (!session_->run(step.line, error)) fail("the session refused the line: " + error);
    std::string output = drain();
    compare_calls(step.prediction.calls, output, "the line");
    if (step.kind == SoakStep::RUN_END) return;
    const Prediction& p = step.prediction;
    if (p.has_status != status_seen || (p.has_status && p.status != status_value))
        fail(std::string("the ") + (p.has_status ? p.status_of : "line") + " answered the host " +
             (status_seen ? std::to_string(status_value) : "nothing") + "; the host model predicts " +
             (p.has_status ? std::to_string(p.status) : "no answer"));
    check_world(generator_->world());
}

void Soak::end_run(const SoakStep& step) {
    run_line(step);
    session_.reset();
    figures_ = nullptr;
    script_.close();
    std::error_code code;
    uint64_t size = fs::file_size(recording_path_, code);
    if (code) fail("the run left no recording " + text_of(recording_path_));
    replay(step.run);
    finished_recordings_ += size;
    fs::remove(recording_path_, code);
    fs::remove(script_path_, code);
}

/* The run's recording through `vthost --compare`, in a process of its own so that its buffers
 * (the whole recording and the replay's output) do not count in this one's size.  The verdict
 * line comes out on standard output like everything else. */
void Soak::replay(int run) {
    auto started = std::chrono::steady_clock::now();
    platform.set_environment("VT_VEXO_RECORD", "");
    platform.set_environment("VTPDM_ANSWERS", "");
    fflush(stdout);
    int status = run_program(program_, {"--compare", text_of(recording_path_)});
    std::string output = drain();
    replay_seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (status != 0)
        fail("the recording of run " + std::to_string(run) + " did not replay to the same calls (status " +
             std::to_string(status) + "):\n  " + shown(output));
    size_t at = output.find("the same ");
    if (at != std::string::npos) replayed_calls_ += atol(output.c_str() + at + 9);
}

/* Runs after release_output, when standard error is the soak's own again. */
int Soak::report_failure(const std::string& message) {
    fprintf(stderr, "vthost soak: seed %llu: FAILED at event %ld of %ld (run %d, language %d %s)\n",
            static_cast<unsigned long long>(options_.seed), event_, options_.events, run_, language_,
            language_name_of(language_));
    if (!line_.empty()) fprintf(stderr, "  line: %s\n", line_.c_str());
    fprintf(stderr, "  %s\n", message.c_str());
    fprintf(stderr, "  again: vthost soak --seed %llu --events %ld --languages %s\n",
            static_cast<unsigned long long>(options_.seed), options_.events, options_.languages_text.c_str());
    if (!script_path_.empty())
        fprintf(stderr, "  the run as a script: vthost --lang %d %s\n", language_, text_of(script_path_).c_str());
    fprintf(stderr, "  work folder (kept): %s\n", text_of(work_).c_str());
    fflush(stderr);
    return 1;
}

int Soak::run() {
    auto started = std::chrono::steady_clock::now();
    /* The work folder. */
    std::error_code code;
    if (options_.work.empty()) {
        fs::path temporary = fs::temp_directory_path(code);
        if (code) temporary = ".";
        for (int attempt = 0; attempt < 1000 && !made_work_; ++attempt) {
            work_ = temporary / ("vthost-soak-" + std::to_string(options_.seed) + "-" + std::to_string(attempt));
            made_work_ = fs::create_directory(work_, code) && !code;
        }
    } else {
        work_ = path_of(options_.work);
        fs::create_directories(work_, code);
        made_work_ = !code && fs::is_directory(work_, code);
    }
    if (!made_work_) {
        fprintf(stderr, "vthost soak: cannot make a work folder %s\n", text_of(work_).c_str());
        return 3;
    }
    if (options_.addin.empty()) {
        fs::path beside = path_of(program_).parent_path();
        module_path_ = text_of(fs::absolute(beside / VTHOST_SOAK_MODULE_FILE, code));
    } else {
        module_path_ = text_of(fs::absolute(path_of(options_.addin), code));
    }
    if (!fs::is_regular_file(path_of(module_path_), code)) {
        fprintf(stderr, "vthost soak: no soak module %s (build target vt_vexo_soak)\n", module_path_.c_str());
        return 3;
    }
    printf("vthost soak: seed %llu, %ld events, languages %s, memory walked every %ld lines\n",
           static_cast<unsigned long long>(options_.seed), options_.events, options_.languages_text.c_str(),
           options_.check_every);
    fflush(stdout);
    if (!capture_output()) {
        release_output();
        fprintf(stderr, "vthost soak: cannot catch the session's output\n");
        return 3;
    }
    generator_ = std::make_unique<SoakGenerator>(options_.seed, options_.events, options_.languages);
    try {
        SoakStep step;
        while (generator_->next(step)) {
            if (step.kind == SoakStep::RUN_START) {
                start_run(step);
                continue;
            }
            event_ = step.event;
            if (step.kind == SoakStep::RUN_END) end_run(step);
            else run_line(step);
            if (step.kind == SoakStep::LINE && step.session_empty && event_ - run_first_event_ >= WARM_LINES) {
                memory_figures now = read_figures();
                if (!have_warm_) {
                    warm_ = now;
                    warm_event_ = event_;
                    have_warm_ = true;
                    if (!have_first_warm_) first_warm_ = now, first_warm_event_ = event_, have_first_warm_ = true;
                } else if (!same_figures(now, warm_)) {
                    fail("the add-in's memory did not come back to its figures with no model in session:\n  at event " +
                         std::to_string(warm_event_) + ": " + figures_text(warm_) + "\n  now:         " +
                         figures_text(now));
                } else {
                    ++flat_checks_;
                }
            }
            sample(event_);
        }
        size_end_ = process_bytes();
        uint64_t recordings = finished_recordings_;
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        soak_seconds_ = seconds - replay_seconds_;
        /* The process size between event N/10 and N. */
        uint64_t bound = std::max<uint64_t>(PROCESS_BOUND, size_tenth_ / 10);
        uint64_t difference = size_end_ > size_tenth_ ? size_end_ - size_tenth_ : size_tenth_ - size_end_;
        line_.clear();
        if (size_tenth_ != 0 && size_end_ != 0 && difference >= bound)
            fail("the process size went from " + mebibytes(size_tenth_) + " at event " + std::to_string(size_tenth_event_) +
                 " to " + mebibytes(size_end_) + " at the end, more than the bound of " + mebibytes(bound));
        /* The message log and the recordings: the second half no faster than the first. */
        auto linear = [&](const char* what, uint64_t half, uint64_t all) {
            uint64_t second = all - half;
            double first_rate = static_cast<double>(half) / static_cast<double>(half_event_);
            double second_rate = static_cast<double>(second) / static_cast<double>(options_.events - half_event_);
            if (static_cast<double>(second) > GROWTH_RATIO * first_rate * static_cast<double>(options_.events - half_event_) +
                                                  static_cast<double>(GROWTH_ALLOWANCE))
                fail(std::string("the ") + what + " grew faster in the second half: " + std::to_string(first_rate) +
                     " bytes per event, then " + std::to_string(second_rate));
        };
        if (half_event_ > 0 && half_event_ < options_.events) {
            linear("message log", log_half_, log_bytes_);
            linear("recordings", recording_half_, recordings);
        }
        release_output();
        double events = static_cast<double>(options_.events);
        printf("vthost soak: passed: %ld events in %d runs, %.2f s (%.0f events/s; replays of the recordings %.2f s)\n",
               options_.events, run_, soak_seconds_, soak_seconds_ > 0 ? events / soak_seconds_ : 0.0, replay_seconds_);
        printf("  client-library lines: %ld, hash %s; the recordings replayed to the same %ld calls\n", library_lines_,
               hash_.text().c_str(), replayed_calls_);
        printf("  add-in memory, warm (event %ld): %s\n", first_warm_event_, have_first_warm_ ? figures_text(first_warm_).c_str() : "-");
        printf("  add-in memory, last read: %s; flat at %ld points with no model in session\n",
               figures_text(last_).c_str(), flat_checks_);
        printf("  process size (%s): %s at event %ld, %s at the end (bound: less than %s apart)\n",
               process_measure(), mebibytes(size_tenth_).c_str(), size_tenth_event_, mebibytes(size_end_).c_str(),
               mebibytes(bound).c_str());
        printf("  message log: %llu bytes (%.2f per event)%s%s\n", static_cast<unsigned long long>(log_bytes_),
               static_cast<double>(log_bytes_) / events, first_log_line_.empty() ? "" : "; first line: ",
               first_log_line_.c_str());
        printf("  recordings: %llu bytes (%.1f per event; first half %.1f, second half %.1f)\n",
               static_cast<unsigned long long>(recordings), static_cast<double>(recordings) / events,
               half_event_ > 0 ? static_cast<double>(recording_half_) / static_cast<double>(half_event_) : 0.0,
               options_.events > half_event_
                   ? static_cast<double>(recordings - recording_half_) / static_cast<double>(options_.events - half_event_)
                   : 0.0);
        fflush(stdout);
    } catch (const SoakFailure& failure) {
        script_.flush();
        session_.reset();
        release_output();
        return report_failure(failure.message);
    }
    if (!options_.keep && options_.work.empty()) fs::remove_all(work_, code);
    return 0;
}

}  // namespace

int run_soak(const std::vector<std::string>& args, const std::string& program) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            fputs(usage, stdout);
            return 0;
        }
    }
    SoakOptions options;
    std::string error;
    if (!parse_soak_options(args, options, error)) {
        fprintf(stderr, "vthost soak: %s\n%s", error.c_str(), usage);
        return 2;
    }
    if (!options.seed_given)
        options.seed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000000ull;
    if (!options.write.empty()) {
        std::ofstream file(path_of(options.write), std::ios::binary | std::ios::trunc);
        if (!file) {
            fprintf(stderr, "vthost soak: cannot write %s\n", options.write.c_str());
            return 3;
        }
        SoakGenerator generator(options.seed, options.events, options.languages);
        SoakStep step;
        while (generator.next(step)) {
            if (step.kind == SoakStep::RUN_START)
                file << "# run " << step.run << ", language " << step.language << "\n";
            else
                file << step.line << "\n";
        }
        return file ? 0 : 3;
    }
    Soak soak(options, program);
    return soak.run();
}

}  // namespace vthost
