/* Comparing a replay with its recording: reading the calls of both sides, the comparison, and
 * the replay itself with vthost's standard output caught in a file (the stand-in client library
 * prints its calls there, from inside the session). */
#include "host/compare.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "host/host_platform.h"
#include "host/script.h"

namespace vthost {

namespace {

const char stand_in_prefix[] = "VTProeVEXO: ";
const char recorded_prefix[] = "# VTProeVEXO: ";

bool starts_with(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool parse_int(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    long long number = strtoll(text.c_str(), &end, 10); /* long is 32 bits on Windows */
    if (*end != '\0' || number < -2147483647LL - 1 || number > 2147483647LL) return false;
    value = static_cast<int>(number);
    return true;
}

std::string shown(const LibraryCall& call) {
    std::string text = call.function + "(";
    if (call.has_argument) {
        text += "\"";
        for (unsigned char c : call.argument) {
            if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
                char escape[5];
                snprintf(escape, sizeof escape, "\\x%02X", c);
                text += escape;
            } else {
                text += static_cast<char>(c);
            }
        }
        text += "\"";
    }
    return text + ") -> " + std::to_string(call.answer);
}

/* The quoted text after `key` on a header line, unescaped; empty when absent. */
std::string header_text(const std::string& line, const std::string& key) {
    size_t at = line.find(key + " \"");
    if (at == std::string::npos) return "";
    size_t start = at + key.size() + 2;
    size_t end = line.find('"', start);
    std::string text, error;
    if (end == std::string::npos || !unescape_word(line.substr(start, end - start), text, error)) return "";
    return text;
}

bool option_given(const std::vector<std::string>& args, const char* option) {
    return std::find(args.begin(), args.end(), option) != args.end();
}

}  // namespace

bool parse_library_call(const std::string& text, bool escaped, LibraryCall& call) {
    call = LibraryCall();
    size_t open = text.find('(');
    if (open == std::string::npos || open == 0) return false;
    call.function = text.substr(0, open);
    size_t close;
    if (open + 1 < text.size() && text[open + 1] == '"') {
        close = text.find("\") -> ", open + 2);
        if (close == std::string::npos) return false;
        call.has_argument = true;
        std::string raw = text.substr(open + 2, close - open - 2);
        std::string error;
        if (escaped && !unescape_word(raw, call.argument, error)) return false;
        if (!escaped) call.argument = raw;
        close += 6;
    } else {
        if (text.compare(open + 1, 5, ") -> ") != 0) return false;
        close = open + 6;
    }
    /* The stand-in may add a note for a person after two blanks. */
    size_t note = text.find("  (", close);
    return parse_int(text.substr(close, note == std::string::npos ? std::string::npos : note - close), call.answer);
}

Recording read_recording(const std::string& contents) {
    Recording recording;
    bool in_body = false;
    int number = 0;
    for (const std::string& line : text_lines(contents)) {
        ++number;
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        if (line[first] != '#') {
            in_body = true;
            continue;
        }
        if (starts_with(line, recorded_prefix)) {
            LibraryCall call;
            if (!parse_library_call(line.substr(sizeof recorded_prefix - 1), true, call)) continue;
            call.line = number;
            call.startup = !in_body;
            recording.calls.push_back(call);
        } else if (!in_body && starts_with(line, "# host version \"")) {
            recording.version = header_text(line, "version");
            recording.build = header_text(line, "build");
            size_t at = line.find("\", language ");
            if (at != std::string::npos) recording.language = atoi(line.c_str() + at + 12);
        }
    }
    return recording;
}

std::vector<LibraryCall> transcript_calls(const std::string& contents) {
    /* A key may hold any byte but zero, a line end among them (a unit's low byte in English and
     * Hebrew): a stand-in line that does not read as a call is read again together with the
     * lines after it, up to the first that makes it one.  A key has at most 255 bytes. */
    const size_t prefix = sizeof stand_in_prefix - 1;
    std::vector<LibraryCall> calls;
    int number = 0;
    size_t at = 0;
    while (at < contents.size()) {
        size_t end = contents.find('\n', at);
        if (end == std::string::npos) end = contents.size();
        int first = ++number;
        if (contents.compare(at, prefix, stand_in_prefix) == 0) {
            size_t stop = end;
            for (int joined = 0; joined <= 255; ++joined) {
                std::string text = contents.substr(at + prefix, stop - at - prefix);
                if (!text.empty() && text.back() == '\r') text.pop_back();
                LibraryCall call;
                if (parse_library_call(text, false, call)) {
                    call.line = first;
                    calls.push_back(call);
                    end = stop;
                    number += joined;
                    break;
                }
                if (stop >= contents.size()) break;
                stop = contents.find('\n', stop + 1);
                if (stop == std::string::npos) stop = contents.size();
            }
        }
        at = end + 1;
    }
    return calls;
}

std::string first_difference(const std::vector<LibraryCall>& recorded, const std::vector<LibraryCall>& replayed) {
    size_t count = std::max(recorded.size(), replayed.size());
    for (size_t i = 0; i < count; ++i) {
        const LibraryCall* expected = i < recorded.size() ? &recorded[i] : nullptr;
        const LibraryCall* made = i < replayed.size() ? &replayed[i] : nullptr;
        if (expected != nullptr && made != nullptr && expected->function == made->function &&
            expected->has_argument == made->has_argument && expected->argument == made->argument &&
            (expected->startup || expected->answer == made->answer))
            continue;
        std::string where = "call " + std::to_string(i + 1);
        if (expected != nullptr) where += " (recording line " + std::to_string(expected->line) + ")";
        return "the replay differs at " + where + ":\n  recorded: " + (expected ? shown(*expected) : "no more calls") +
               "\n  replayed: " + (made ? shown(*made) : "no more calls");
    }
    return "";
}

bool take_compare_option(std::vector<std::string>& args, std::string& recording, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--compare") continue;
        if (i + 1 >= args.size()) {
            error = "--compare needs a value";
            return false;
        }
        recording = args[i + 1];
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        return true;
    }
    return true;
}

/* Creates the file that catches a replay's output, one that no other process holds: its name
 * carries this process's id and a counter, and it is created only if it does not exist yet.  Two
 * replays started at once (two administrators, or two scripts) each get their own; neither a
 * time nor an address would do, as addresses repeat between processes under Wine. */
static FILE* create_capture(const std::filesystem::path& directory, std::filesystem::path& path) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path = directory / ("vthost-replay-" + std::to_string(process_id()) + "-" + std::to_string(attempt) + ".txt");
        if (FILE* file = create_new_file(text_of(path))) return file;
        if (!file_exists_error()) return nullptr;
    }
    return nullptr;
}

int run_compare(Options options, const std::vector<std::string>& args, const std::string& recording_path,
                const std::string& program) {
    if (!options.script.empty()) {
        fprintf(stderr, "vthost: --compare replays its recording; no other script is taken (%s)\n",
                options.script.c_str());
        return 2;
    }
    std::optional<std::string> contents = read_file(path_of(recording_path));
    if (!contents) {
        fprintf(stderr, "vthost: %s: cannot open the recording\n", recording_path.c_str());
        return 2;
    }
    Recording recording = read_recording(*contents);
    if (!option_given(args, "--lang") && recording.language >= 0) options.language = recording.language;
    if (!option_given(args, "--version") && !recording.version.empty()) options.version = recording.version;
    if (!option_given(args, "--build") && !recording.build.empty()) options.build = recording.build;
    options.script = recording_path;
    options.quiet = true;

    /* The replay's standard output goes to a file of its own while the session runs. */
    namespace fs = std::filesystem;
    std::error_code code;
    fs::path directory = fs::temp_directory_path(code);
    if (code) directory = ".";
    fs::path capture_path;
    FILE* capture = create_capture(directory, capture_path);
    if (capture == nullptr) {
        fprintf(stderr, "vthost: cannot write %s for the replay's output\n", text_of(capture_path).c_str());
        return 2;
    }
    fflush(stdout);
    int saved = fd_dup(fileno(stdout));
    if (saved < 0 || fd_dup2(fileno(capture), fileno(stdout)) < 0) {
        fprintf(stderr, "vthost: cannot catch the replay's output\n");
        fclose(capture);
        fs::remove(capture_path, code);
        return 2;
    }
    int status = run_session(options, program);
    fflush(stdout);
    fd_dup2(saved, fileno(stdout));
    fd_close(saved);

    std::string replayed;
    rewind(capture);
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, capture)) > 0) replayed.append(buffer, count);
    fclose(capture);
    fs::remove(capture_path, code);

    if (status != 0) {
        fprintf(stderr, "vthost: the replay of %s ended with status %d\n", recording_path.c_str(), status);
        return status;
    }
    std::string difference = first_difference(recording.calls, transcript_calls(replayed));
    if (!difference.empty()) {
        printf("vthost: %s\n", difference.c_str());
        return 1;
    }
    printf("vthost: the replay made the same %d client-library calls as the recording\n",
           static_cast<int>(recording.calls.size()));
    return 0;
}

}  // namespace vthost
