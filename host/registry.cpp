/* Reading the host's registry file; see registry.h for the rules. */
#include "host/registry.h"

#include <filesystem>

#include "host/host_platform.h"
#include "host/texts.h"

namespace vthost {

const char* const registry_keys[5] = {"name", "startup", "exec_file", "text_dir", "revision"};

std::string lower_ascii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

/* The next word of `text` from `at`, skipping blanks before it. */
std::string next_word(const std::string& text, size_t& at) {
    while (at < text.size() && blank(text[at])) ++at;
    size_t start = at;
    while (at < text.size() && !blank(text[at])) ++at;
    return text.substr(start, at - start);
}

}  // namespace

const RegistryLine* RegistryEntry::line(const std::string& key) const {
    const RegistryLine* found = nullptr;
    for (const RegistryLine& line : lines)
        if (lower_ascii(line.key) == key) found = &line;
    return found;
}

std::string RegistryEntry::value(const std::string& key) const {
    const RegistryLine* found = line(key);
    return found != nullptr ? found->value : "";
}

std::vector<RegistryEntry> parse_registry(const std::string& text) {
    std::vector<RegistryEntry> entries;
    int number = 0;
    bool open = false;
    for (const std::string& raw : text_lines(text)) {
        ++number;
        size_t at = 0;
        RegistryLine line;
        line.number = number;
        line.key = next_word(raw, at);
        if (line.key.empty()) continue;
        line.value = next_word(raw, at);
        while (at < raw.size() && blank(raw[at])) ++at;
        line.rest = raw.substr(at);
        while (!line.rest.empty() && blank(line.rest.back())) line.rest.pop_back();
        if (!open) {
            entries.emplace_back();
            entries.back().first_line = number;
            open = true;
        }
        if (lower_ascii(line.key) == "end") {
            entries.back().ended = true;
            open = false;
            continue;
        }
        entries.back().lines.push_back(line);
    }
    return entries;
}

const RegistryEntry* addin_entry(const std::vector<RegistryEntry>& entries, std::string& error) {
    for (const RegistryEntry& entry : entries)
        if (lower_ascii(entry.value("name")) == "vt_vexo") return &entry;
    if (entries.size() == 1) return &entries[0];
    if (entries.empty()) {
        error = "the registry file holds no entry";
    } else {
        error = "the registry file holds " + std::to_string(entries.size()) + " entries and none is named vt_vexo";
    }
    return nullptr;
}

std::string application_dir_of_text_dir(const std::string& text_dir) {
    std::string dir = text_dir;
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    size_t slash = dir.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    if (slash == 0) return dir.substr(0, 1);
    if (slash == 2 && dir[1] == ':') return dir.substr(0, 3); /* C:\text */
    return dir.substr(0, slash);
}

bool addin_from_registry(const std::string& path, std::string& module, std::string& app_dir, std::string& error) {
    std::optional<std::string> text = read_file(path_of(path));
    if (!text) {
        error = "cannot read the registry file " + path;
        return false;
    }
    std::vector<RegistryEntry> entries = parse_registry(*text);
    const RegistryEntry* entry = addin_entry(entries, error);
    if (entry == nullptr) return false;
    std::string where = path + ":" + std::to_string(entry->first_line) + ": ";
    if (!entry->ended) {
        error = where + "the entry is not closed by 'end'";
        return false;
    }
    for (const char* key : {"startup", "exec_file", "text_dir"}) {
        if (entry->value(key).empty()) {
            error = where + "the entry has no " + key;
            return false;
        }
    }
    if (lower_ascii(entry->value("startup")) != "dll") {
        error = where + "startup is '" + entry->value("startup") + "', not dll";
        return false;
    }
    module = local_path(entry->value("exec_file"));
    app_dir = application_dir_of_text_dir(local_path(entry->value("text_dir")));
    return true;
}

}  // namespace vthost
