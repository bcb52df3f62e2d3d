/* `vthost check`: the registry file, the module and its imports, the text folders and icons,
 * and a dry start-up, each reported as findings (see check.h).
 *
 * The checks run in the order a CAD session meets the installation: the host reads the registry
 * file, loads the module (which needs its client library), hands over the application directory
 * and language, and the add-in registers its menu with labels from the message file and icons
 * from the resource folder. */
#include "host/check/check.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "bridge/menu_table.h"
#include "frame/gateway.h"
#include "host/check/binary_facts.h"
#include "host/check/gif.h"
#include "host/host_model.h"
#include "host/host_platform.h"
#include "host/registry.h"
#include "host/session.h"
#include "module/entry.h"
#include "pdmclient/vtpdm.h"
#include "platform/platform.h"
#include "vt_version.h"

namespace vthost {

namespace fs = std::filesystem;

/* ---- findings ----------------------------------------------------------------------------- */

namespace {

const char* level_word(Finding::Level level) {
    return level == Finding::OK ? "ok" : level == Finding::WARNING ? "warning" : "FAULT";
}

}  // namespace

std::string finding_text(const Finding& finding) {
    char head[32];
    snprintf(head, sizeof head, "%-7s %-8s ", level_word(finding.level), finding.area.c_str());
    std::string line = head + finding.path + ": " + finding.message;
    if (!finding.fix.empty()) line += " -- " + finding.fix;
    return line;
}

std::string finding_json(const Finding& finding) {
    return "{\"level\":" + json_quote(level_word(finding.level)) + ",\"area\":" + json_quote(finding.area) +
           ",\"path\":" + json_quote(finding.path) + ",\"message\":" + json_quote(finding.message) +
           ",\"fix\":" + json_quote(finding.fix) + "}";
}

/* ---- what the menu asks for ---------------------------------------------------------------- */

namespace {

struct MenuNames {
    const char* label;
    const char* help;
    const char* icon;
};

#define VTHOST_MENU_NAMES(parent, item, kind, label, help, action, handler, access, non_active_ok, accessory_ok, icon) \
    {label, help, icon},
const MenuNames menu_names[] = {VT_MENU_ITEMS(VTHOST_MENU_NAMES)};
#undef VTHOST_MENU_NAMES

#define VTHOST_CLIENT_NAME(name, takes_text) #name,
const char* const client_functions[] = {VTPDM_FUNCTIONS(VTHOST_CLIENT_NAME)};
#undef VTHOST_CLIENT_NAME

const char* const entry_points[] = {"user_initialize_plus", "user_terminate_plus", "i_am_262003500"};

}  // namespace

const std::vector<std::string>& menu_keys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> out = {VT_MENU_TOP_LABEL};
        for (const MenuNames& row : menu_names)
            for (const char* key : {row.label, row.help})
                if (key != nullptr && std::find(out.begin(), out.end(), key) == out.end()) out.push_back(key);
        return out;
    }();
    return keys;
}

const std::vector<std::string>& menu_icon_files() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> out;
        for (const MenuNames& row : menu_names)
            if (row.icon != nullptr) out.push_back(std::string(row.icon) + ".gif");
        return out;
    }();
    return files;
}

/* ---- message files -------------------------------------------------------------------------- */

namespace {

/* Adds the FAULTs of one message file, at a line of it (0: the whole file). */
struct MessageFaults {
    const std::string& path;
    std::vector<Finding>& out;
    void operator()(int line, const std::string& message, const std::string& fix) const {
        out.push_back({Finding::FAULT, "text", line > 0 ? path + ":" + std::to_string(line) : path, message, fix});
    }
};

/* The bytes: no byte-order mark, UTF-8 throughout. */
void check_message_bytes(const std::string& text, const MessageFaults& fault) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        fault(1, "starts with a byte-order mark, which becomes part of the first key",
              "save the file as UTF-8 without a byte-order mark");
    long bad = utf8_error_at(text);
    if (bad >= 0) {
        int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + bad, '\n'));
        fault(line, "not UTF-8 (byte " + std::to_string(bad) + ")", "save the file as UTF-8");
    }
}

/* The four-line layout of every message and each key once; the first line of every key. */
std::map<std::string, int> check_message_layout(const std::vector<std::string>& lines, const MessageFaults& fault) {
    const std::string layout_fix = "give each message four lines: key, English text, translation or #, #";
    std::map<std::string, int> first_line;
    size_t i = 0;
    while (i < lines.size()) {
        if (lines[i].empty()) {
            ++i;
            continue;
        }
        int number = static_cast<int>(i) + 1;
        const std::string& key = lines[i];
        if (i + 3 >= lines.size()) {
            fault(number, "message " + key + " is cut short at the end of the file", layout_fix);
            break;
        }
        if (lines[i + 1].empty() || lines[i + 2].empty()) {
            fault(number + (lines[i + 1].empty() ? 1 : 2), "message " + key + " has an empty line where its " +
                  (lines[i + 1].empty() ? "English text" : "translation or #") + " belongs", layout_fix);
        } else if (lines[i + 3] != "#") {
            fault(number + 3, "the fourth line of message " + key + " is not #", layout_fix);
        }
        auto [seen, fresh] = first_line.emplace(key, number);
        if (!fresh)
            fault(number, "key " + key + " given twice (first at line " + std::to_string(seen->second) +
                  "); the host uses the first", "remove one of them");
        i += 4;
    }
    return first_line;
}

}  // namespace

std::vector<Finding> check_message_text(const std::string& path, const std::string& text,
                                        const std::vector<std::string>& keys) {
    std::vector<Finding> out;
    MessageFaults fault{path, out};
    check_message_bytes(text, fault);
    std::map<std::string, int> first_line = check_message_layout(text_lines(text), fault);
    MessageFile file = parse_message_file(text);
    for (const std::string& key : keys)
        if (file.find(key) == file.end())
            fault(0, "lacks key " + key + ": the menu shows [" + key + "] instead of a label",
                  "add the message " + key + " (copy it from text/usascii)");
    if (out.empty())
        out.push_back({Finding::OK, "text", path,
                       std::to_string(first_line.size()) + " messages, every one of the " +
                           std::to_string(keys.size()) + " keys of the menu", ""});
    return out;
}

/* ---- the check ------------------------------------------------------------------------------- */

namespace {

struct CheckOptions {
    std::vector<int> languages; /* never empty: run_check puts in 0 when --lang is not given */
    bool no_start = false;
    bool json = false;
    std::string location;     /* --as */
    std::string target;
};

/* A whole file, empty with ok false when it cannot be read. */
std::string read_all(const fs::path& path, bool& ok) {
    std::optional<std::string> contents = read_file(path);
    ok = contents.has_value();
    return contents.value_or("");
}

bool same_name(const std::string& a, const std::string& b) { return lower_ascii(a) == lower_ascii(b); }

/* A file named `name` in `dir`, matched without regard to case where the file system cares
 * (the Windows loader does not); empty when there is none. */
fs::path file_in(const fs::path& dir, const std::string& name) {
    std::error_code error;
    fs::path exact = dir / path_of(name);
    if (fs::is_regular_file(exact, error)) return exact;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        if (same_name(text_of(it->path().filename()), name) && fs::is_regular_file(it->path(), error))
            return it->path();
    return {};
}

}  // namespace

std::string missing_client_functions(const std::vector<std::string>& exports, const std::vector<std::string>& needed) {
    std::set<std::string> exported(exports.begin(), exports.end());
    std::vector<std::string> missing;
    /* A name is compared whole: "Save" is missing even when "SaveIntoProject" is listed. */
    auto add = [&](const std::string& name) {
        if (exported.count(name) == 0 && std::find(missing.begin(), missing.end(), name) == missing.end())
            missing.push_back(name);
    };
    for (const char* name : client_functions) add(name);
    for (const std::string& name : needed) add(name);
    std::string text;
    for (const std::string& name : missing) text += (text.empty() ? "" : ", ") + name;
    return text;
}

/* The file version, the product and its version, the company: the first question of every
 * support call. */
std::string version_text(const VersionResource& version) {
    std::string file = version.file_version_text();
    std::string text = "version " + (file.empty() ? std::string("unknown") : file);
    std::string product = version.string("ProductName"), product_version = version.string("ProductVersion");
    if (product_version.empty() && version.fixed) product_version = dotted_version(version.product_version);
    if (!product.empty() && !product_version.empty()) product += " ";
    product += product_version;
    std::string details;
    if (!product.empty()) details = "product " + product;
    std::string company = version.string("CompanyName");
    if (!company.empty()) details += (details.empty() ? "" : ", ") + company;
    if (!details.empty()) text += " (" + details + ")";
    return text;
}

namespace {

const char* const windows_system_libraries[] = {
    "kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll", "ntdll.dll", "gdi32.dll",
    "shell32.dll",  "ole32.dll",  "oleaut32.dll", "ws2_32.dll", "comdlg32.dll", "version.dll",
};

class Check {
public:
    Check(const CheckOptions& options, const std::string& program) : options_(options), program_(program) {}
    int run();

private:
    void add(Finding::Level level, const std::string& area, const std::string& path, const std::string& message,
             const std::string& fix = "") {
        Finding finding{level, area, path, message, fix};
        puts((options_.json ? finding_json(finding) : finding_text(finding)).c_str());
        fflush(stdout);
        ++counts_[level];
    }
    void ok(const std::string& area, const std::string& path, const std::string& message) {
        add(Finding::OK, area, path, message);
    }
    void warning(const std::string& area, const std::string& path, const std::string& message, const std::string& fix) {
        add(Finding::WARNING, area, path, message, fix);
    }
    void fault(const std::string& area, const std::string& path, const std::string& message, const std::string& fix) {
        add(Finding::FAULT, area, path, message, fix);
    }

    bool registry();
    bool registry_entry_keys(const RegistryEntry& entry);
    bool registry_exec_file(const RegistryLine& line);
    bool registry_text_dir(const RegistryLine& line);
    void other_entry(const RegistryEntry& entry);
    fs::path registry_path(const RegistryLine& line, const std::string& what);
    bool module();
    void module_version(const std::string& path);
    void module_signature(const std::string& path);
    void imports();
    void client_library(const fs::path& path, const ImportedLibrary& imported);
    void client_exports(const std::string& where, const BinaryFacts& facts, const ImportedLibrary& imported);
    void client_version(const std::string& where, const VersionResource& version);
    void other_library(const ImportedLibrary& imported);
    fs::path find_library(const std::string& name, std::string& searched);
    void text_folders();
    void text_folder(const fs::path& folder);
    void icons(const fs::path& resource);
    void languages();
    void dry_start();
    void dry_start_language(int language);

    CheckOptions options_;
    std::string program_;
    int counts_[3] = {0, 0, 0};
    fs::path registry_file_;
    const RegistryEntry* entry_ = nullptr;
    std::vector<RegistryEntry> entries_;
    fs::path module_path_;
    bool module_found_ = false;  /* registry_exec_file found a file at module_path_ */
    fs::path app_dir_;
    std::string app_dir_text_;   /* as the host hands it over */
    BinaryFacts module_;
    void* standin_ = nullptr;
};

/* ---- registry file ---- */

fs::path Check::registry_path(const RegistryLine& line, const std::string& what) {
    std::string where = text_of(registry_file_) + ":" + std::to_string(line.number);
    if (!line.rest.empty())
        fault("registry", where, what + " '" + line.value + " " + line.rest + "' holds a blank; the host reads only '" +
                                     line.value + "'",
              "move the add-in to a folder whose path has no blanks and name that path");
    std::string value = line.value;
    if (!options_.location.empty()) {
        auto slashed = [](std::string text) {
            std::replace(text.begin(), text.end(), '\\', '/');
            return lower_ascii(text);
        };
        std::string base = slashed(options_.location), low = slashed(value);
        while (base.size() > 1 && base.back() == '/') base.pop_back();
        if (low.compare(0, base.size(), base) == 0 && (low.size() == base.size() || low[base.size()] == '/'))
            value = text_of(registry_file_.parent_path()) + local_path(value.substr(base.size()));
    }
    fs::path path = path_of(local_path(value));
    std::error_code error;
    if (path.is_relative()) {
        fs::path absolute = fs::absolute(path, error);
        bool drive_relative = path.has_root_directory(); /* \folder: no drive letter */
        warning("registry", where, what + " " + line.value +
                                       (drive_relative ? " has no drive letter; the host takes it on the drive of its working folder (here "
                                                       : " is relative; the host takes it from its working folder (here ") +
                                       text_of(absolute) + ")",
                "name the absolute path, so that the host finds it whatever folder it starts in");
        path = absolute;
    }
    return path;
}

bool Check::registry() {
    bool readable = false;
    std::string text = read_all(registry_file_, readable);
    std::string file = text_of(registry_file_);
    if (!readable) {
        fault("registry", file, "cannot be read", "give the path of the registry file (protk.dat) or of the folder holding it");
        return false;
    }
    entries_ = parse_registry(text);
    std::string error;
    entry_ = addin_entry(entries_, error);
    if (entry_ == nullptr) {
        fault("registry", file, error, "add the entry of vt_vexo: name, startup dll, exec_file, text_dir, revision, end");
        return false;
    }
    for (const RegistryEntry& entry : entries_)
        if (&entry != entry_) other_entry(entry);
    if (!registry_entry_keys(*entry_)) return false;
    bool module_found = registry_exec_file(*entry_->line("exec_file"));
    bool text_found = registry_text_dir(*entry_->line("text_dir"));
    return module_found && text_found;
}

/* The keys of the add-in's entry: known, once, with values; the four the host needs.  False
 * when one of those is missing. */
bool Check::registry_entry_keys(const RegistryEntry& entry) {
    std::string file = text_of(registry_file_);
    std::string at = file + ":" + std::to_string(entry.first_line);
    ok("registry", at, std::to_string(entries_.size()) + (entries_.size() == 1 ? " entry" : " entries") +
                           "; the add-in's is " + (entry.value("name").empty() ? "unnamed" : entry.value("name")));
    if (!entry.ended)
        fault("registry", at, "the entry is not closed by 'end'; the host does not load it", "add a line 'end' after the entry");
    std::set<std::string> seen;
    for (const RegistryLine& line : entry.lines) {
        std::string key = lower_ascii(line.key), where = file + ":" + std::to_string(line.number);
        bool known = std::find_if(std::begin(registry_keys), std::end(registry_keys),
                                  [&](const char* k) { return key == k; }) != std::end(registry_keys);
        if (!known)
            warning("registry", where, "key '" + line.key + "' is unknown; the host ignores it", "remove the line or correct the key");
        else if (!seen.insert(key).second)
            warning("registry", where, "key " + key + " given again; the host keeps this last value", "remove the earlier line");
        else if (line.value.empty())
            fault("registry", where, "key " + key + " has no value", "give the value after the key, separated by a blank");
        if (known && !line.rest.empty() && key != "exec_file" && key != "text_dir")
            warning("registry", where, "'" + line.rest + "' after the value of " + key + " is ignored", "remove it");
    }
    bool complete = true;
    for (const char* key : {"name", "startup", "exec_file", "text_dir"}) {
        if (entry.line(key) == nullptr) {
            fault("registry", at, std::string("the entry has no key ") + key, std::string("add the line '") + key + " ...'");
            complete = false;
        }
    }
    if (entry.line("revision") == nullptr)
        warning("registry", at, "the entry has no key revision", "add 'revision Wildfire'");
    if (const RegistryLine* startup = entry.line("startup"); startup && lower_ascii(startup->value) != "dll")
        fault("registry", file + ":" + std::to_string(startup->number),
              "startup is '" + startup->value + "'; vt_vexo is loaded into the host as a library", "write 'startup dll'");
    return complete;
}

/* exec_file names the module.  True when it exists. */
bool Check::registry_exec_file(const RegistryLine& line) {
    module_path_ = registry_path(line, "exec_file");
    std::error_code error;
    std::string at = text_of(registry_file_) + ":" + std::to_string(line.number);
    bool found = fs::is_regular_file(module_path_, error);
    module_found_ = found;
    if (found)
        ok("registry", at, "exec_file " + text_of(module_path_) + " exists");
    else
        fault("registry", at, "exec_file " + text_of(module_path_) + " does not exist: the host cannot load the add-in",
              "correct exec_file to the path of vt_vexo's module, or install it there");
    return found;
}

/* text_dir names the folder `text`, and the folders the add-in builds from it fit its buffers.
 * True when the folder is there under that name. */
bool Check::registry_text_dir(const RegistryLine& line) {
    std::string at = text_of(registry_file_) + ":" + std::to_string(line.number);
    fs::path text_dir = registry_path(line, "text_dir");
    app_dir_ = text_dir.parent_path();
    app_dir_text_ = application_dir_of_text_dir(line.value);
    std::error_code error;
    bool found = fs::is_directory(text_dir, error);
    if (!found) {
        fault("registry", at, "text_dir " + text_of(text_dir) + " is not a folder: the menu shows bare keys and no icons",
              "correct text_dir to the text folder beside the module, or install the text folder there");
    } else if (!same_name(text_of(text_dir.filename()), "text")) {
        fault("registry", at, "text_dir " + text_of(text_dir) + " is not named text; the add-in reads " +
                                  text_of(app_dir_ / "text"),
              "name the folder text, or point text_dir at the folder named text");
        found = false;
    } else {
        ok("registry", at, "text_dir " + text_of(text_dir) + " exists");
    }
    /* The add-in formats its directories into buffers of GATEWAY_DIR_SIZE characters without a
     * bound, for the host's language or the fall-back usascii. */
    size_t longest = strlen(language_name_of(VT_LANG_ENGLISH));
    for (int language : options_.languages) longest = std::max(longest, strlen(language_name_of(language)));
    size_t length = resource_dir_length(app_dir_text_.size(), longest);
    if (length >= GATEWAY_DIR_SIZE)
        fault("registry", at, "the add-in's resource folder path would be " + std::to_string(length) +
                                  " characters; its buffers hold " + std::to_string(GATEWAY_DIR_SIZE - 1),
              "install the add-in in a folder with a shorter path");
    return found;
}

void Check::other_entry(const RegistryEntry& entry) {
    std::string name = entry.value("name");
    std::string at = text_of(registry_file_) + ":" + std::to_string(entry.first_line);
    if (!entry.ended)
        fault("registry", at, "the entry " + name + " is not closed by 'end'; the host does not load it or what follows",
              "add a line 'end' after the entry");
    if (const RegistryLine* exec = entry.line("exec_file")) {
        std::error_code error;
        fs::path path = registry_path(*exec, "exec_file of " + name);
        if (!fs::is_regular_file(path, error))
            fault("registry", text_of(registry_file_) + ":" + std::to_string(exec->number),
                  "exec_file of " + name + " " + text_of(path) + " does not exist", "correct the path of that add-in");
    }
}

/* ---- module ---- */

bool Check::module() {
    std::string path = text_of(module_path_);
    bool readable = false;
    module_ = read_binary_facts(read_all(module_path_, readable));
    if (!readable) {
        fault("module", path, "cannot be read", "give the host's account read access to the module");
        return false;
    }
    if (module_.format == BinaryFacts::UNKNOWN) {
        fault("module", path, "is not a module (neither a PE nor an ELF file)", "install vt_vexo's module from the package");
        return false;
    }
    if (!module_.error.empty()) {
        fault("module", path, "is damaged: " + module_.error, "install vt_vexo's module again from the package");
        return false;
    }
    bool good = true;
    if (module_.format == BinaryFacts::PE) {
        if (!module_.is_i386()) {
            fault("module", path, "is not i386: a " + module_.machine_name() + " Windows module, which the 32-bit host cannot load",
                  "install vt_vexo.dll from the 32-bit package (vt-vexo-" VT_VEXO_VERSION ".msi or vt_vexo-" VT_VEXO_VERSION "-win32.zip)");
            good = false;
        }
    } else if (module_.machine != own_machine()) {
        fault("module", path, "is an ELF module for " + module_.machine_name() + ", not for this machine",
              "install the module built for this machine");
        good = false;
    }
    if (!module_.library) {
        fault("module", path, "is a program, not a library", "install vt_vexo's module, not another file under its name");
        good = false;
    }
    std::set<std::string> exports(module_.exports.begin(), module_.exports.end());
    std::string missing, extra;
    for (const char* name : entry_points)
        if (exports.erase(name) == 0) missing += std::string(missing.empty() ? "" : ", ") + name;
    for (const std::string& name : exports) extra += (extra.empty() ? "" : ", ") + name;
    if (!missing.empty()) {
        fault("module", path, "does not export " + missing + ": it is not vt_vexo's module", "install vt_vexo's module from the package");
        good = false;
    } else if (!extra.empty()) {
        fault("module", path, "exports more than the three entry points: " + extra, "install vt_vexo's module from the package");
        good = false;
    }
    if (good)
        ok("module", path, std::string(module_.format == BinaryFacts::PE ? "PE" : "ELF") + " library for " +
                               module_.machine_name() + ", exporting exactly the three entry points");
    /* An ELF module carries neither a version resource nor an Authenticode signature. */
    if (module_.format == BinaryFacts::PE) {
        module_version(path);
        module_signature(path);
    }
    return true;
}

/* The package's module always carries a version resource: a damaged one means the file was
 * changed after the build, and whatever changed it may have changed more. */
void Check::module_version(const std::string& path) {
    const VersionResource& version = module_.version;
    if (version.state == VersionResource::PRESENT)
        ok("module", path, version_text(version));
    else if (version.state == VersionResource::ABSENT)
        warning("module", path, "carries no version resource", "install vt_vexo.dll from the package");
    else
        fault("module", path, "is damaged: the version resource cannot be read: " + version.error,
              "install vt_vexo.dll again from the package");
}

/* vthost finds the signature; verifying it is for Windows and osslsigncode. */
void Check::module_signature(const std::string& path) {
    const Signature& signature = module_.signature;
    const std::string sign = "sign it with scripts/sign where the security policy asks for signed modules";
    if (signature.state == Signature::SIGNED)
        ok("module", path, "signed (Authenticode, " + std::to_string(signature.bytes) +
                               " bytes; verify it with osslsigncode verify or the file's properties in Windows)");
    else if (signature.state == Signature::DAMAGED)
        fault("module", path, "is damaged: the signature cannot be read: " + signature.error,
              "install vt_vexo.dll again from the package");
    else if (signature.entries > 0)
        warning("module", path, "is not signed: its certificate table holds no Authenticode signature", sign);
    else
        warning("module", path, "is not signed", sign);
}

/* Where the loader looks for a library the module needs: beside the module, then PATH (PE);
 * RPATH, LD_LIBRARY_PATH, RUNPATH, then the standard folders (ELF). */
fs::path Check::find_library(const std::string& name, std::string& searched) {
    std::vector<fs::path> dirs;
    fs::path beside = module_path_.parent_path();
    auto expand = [&](const std::string& dir) {
        std::string out = dir;
        for (const char* origin : {"$ORIGIN", "${ORIGIN}"}) {
            size_t at = out.find(origin);
            if (at != std::string::npos) out.replace(at, strlen(origin), text_of(beside));
        }
        return path_of(out);
    };
    const char* path_variable = getenv(module_.format == BinaryFacts::PE ? "PATH" : "LD_LIBRARY_PATH");
    /* Windows separates the folders of a variable by ';', POSIX by ':' (a PE module's PATH
     * checked natively is a Windows one). */
    const char separator = modules_are_pe || module_.format == BinaryFacts::PE ? ';' : ':';
    std::vector<std::string> variable = split(path_variable != nullptr ? path_variable : "", separator);
    if (module_.format == BinaryFacts::PE) {
        dirs.push_back(beside);
        searched = "beside the module and on PATH";
    } else {
        searched = "in the module's RUNPATH, LD_LIBRARY_PATH and the standard folders";
        if (!module_.runpath)
            for (const std::string& dir : module_.search_path) dirs.push_back(expand(dir));
    }
    for (const std::string& dir : variable) dirs.push_back(path_of(local_path(dir)));
    if (module_.format == BinaryFacts::ELF) {
        if (module_.runpath)
            for (const std::string& dir : module_.search_path) dirs.push_back(expand(dir));
        for (const char* dir : {"/lib", "/usr/lib", "/lib64", "/usr/lib64", "/lib/x86_64-linux-gnu",
                                "/usr/lib/x86_64-linux-gnu", "/lib/i386-linux-gnu", "/usr/lib/i386-linux-gnu",
                                "/usr/local/lib"})
            dirs.push_back(dir);
    }
    for (const fs::path& dir : dirs) {
        fs::path found = module_.format == BinaryFacts::PE ? file_in(dir, name) : dir / path_of(name);
        std::error_code error;
        if (!found.empty() && fs::is_regular_file(found, error)) return found;
    }
    return {};
}

void Check::imports() {
    for (const ImportedLibrary& imported : module_.imports) {
        bool client = module_.format == BinaryFacts::PE ? same_name(imported.name, "VTProeVEXO.dll")
                                                        : imported.name == "libVTProeVEXO.so";
        if (!client) {
            other_library(imported);
            continue;
        }
        std::string searched;
        fs::path found = find_library(imported.name, searched);
        if (found.empty()) {
            fault("import", text_of(module_path_), "the client library " + imported.name + " is not found " + searched +
                                                       ": the module does not load",
                  module_.format == BinaryFacts::PE
                      ? "install the Vantor client and put its folder on PATH, or copy VTProeVEXO.DLL beside the module"
                      : "put libVTProeVEXO.so beside the module or on LD_LIBRARY_PATH");
            continue;
        }
        client_library(found, imported);
    }
}

void Check::client_library(const fs::path& path, const ImportedLibrary& imported) {
    std::string where = text_of(path);
    bool readable = false;
    BinaryFacts facts = read_binary_facts(read_all(path, readable));
    const std::string reinstall = "install the Vantor client library again (the one for the 32-bit host)";
    if (!readable || facts.format == BinaryFacts::UNKNOWN || !facts.error.empty()) {
        fault("import", where, "the client library cannot be read: " + (readable ? facts.error : std::string("no access")), reinstall);
        return;
    }
    client_exports(where, facts, imported);
    if (facts.format == BinaryFacts::PE) client_version(where, facts.version);
}

void Check::client_exports(const std::string& where, const BinaryFacts& facts, const ImportedLibrary& imported) {
    if (facts.format != module_.format || facts.machine != module_.machine) {
        fault("import", where, "the client library is for " + facts.machine_name() + ", the module for " +
                                   module_.machine_name() + ": the module does not load",
              "put the client library for " + module_.machine_name() + " first on the search path");
        return;
    }
    std::vector<std::string> needed = imported.functions;
    if (module_.format == BinaryFacts::ELF)
        for (const std::string& name : module_.undefined)
            if (std::find(std::begin(client_functions), std::end(client_functions), name) != std::end(client_functions))
                needed.push_back(name);
    std::string missing = missing_client_functions(facts.exports, needed);
    const std::string all = "all " + std::to_string(std::size(client_functions)) + " functions";
    if (!missing.empty()) {
        fault("import", where, "the client library lacks " + missing + ": the module does not load",
              "install a Vantor client library that has " + all);
        return;
    }
    ok("import", where, "client library found, exporting " + all);
}

/* The client library is the Vantor client's file: without a version resource it still loads,
 * and a damaged one is the client's to repair. */
void Check::client_version(const std::string& where, const VersionResource& version) {
    if (version.state == VersionResource::PRESENT)
        ok("import", where, version_text(version));
    else if (version.state == VersionResource::ABSENT)
        ok("import", where, "carries no version resource: its release cannot be told from the file");
    else
        warning("import", where, "the client library's version resource cannot be read: " + version.error,
                "install the Vantor client library again");
}

void Check::other_library(const ImportedLibrary& imported) {
    if (module_.format == BinaryFacts::PE) {
        std::string low = lower_ascii(imported.name);
        if (std::find(std::begin(windows_system_libraries), std::end(windows_system_libraries), low) !=
                std::end(windows_system_libraries) || low.compare(0, 8, "api-ms-w") == 0) {
            ok("import", imported.name, "a Windows system library");
            return;
        }
    }
    std::string searched;
    fs::path found = find_library(imported.name, searched);
    if (!found.empty()) {
        ok("import", text_of(found), "needed library found");
    } else if (module_.format == BinaryFacts::PE) {
        fault("import", text_of(module_path_), "needs " + imported.name + ", which is not found " + searched +
                                                   ": the module does not load",
              "copy " + imported.name + " beside the module");
    } else {
        warning("import", text_of(module_path_), "needs " + imported.name + ", not found " + searched +
                                                     " (the loader's cache may know it)",
                "install the system package that provides it");
    }
}

/* ---- text folders ---- */

void Check::icons(const fs::path& resource) {
    std::error_code error;
    if (!fs::is_directory(resource, error)) {
        fault("icon", text_of(resource), "is missing: every menu command shows without an icon",
              "copy the resource folder from text/usascii");
        return;
    }
    int good = 0;
    for (const std::string& name : menu_icon_files()) {
        fs::path path = resource / name;
        std::string where = text_of(path);
        if (!fs::is_regular_file(path, error)) {
            fault("icon", where, "is missing: its command shows without an icon", "copy " + name + " from text/usascii/resource");
            continue;
        }
        bool readable = false;
        Gif gif = read_gif(read_all(path, readable));
        std::string what;
        if (!readable) what = "cannot be read";
        else if (!gif.error.empty()) what = "is not a valid GIF: " + gif.error;
        else if (gif.width != 16 || gif.height != 16)
            what = "is " + std::to_string(gif.width) + "x" + std::to_string(gif.height) + ", not 16x16";
        else if (gif.transparent < 0 || gif.transparent >= gif.colours) what = "has no transparent colour";
        if (!what.empty()) {
            fault("icon", where, what + ": the host shows no icon or a wrong one",
                  "replace it with a 16x16 GIF with transparency (the package's " + name + ")");
            continue;
        }
        ++good;
    }
    if (good == static_cast<int>(menu_icon_files().size()))
        ok("icon", text_of(resource), "all " + std::to_string(good) + " icons are 16x16 GIFs with transparency");
}

void Check::text_folder(const fs::path& folder) {
    fs::path file = folder / VT_MENU_MESSAGE_FILE;
    std::error_code error;
    bool readable = false;
    std::string text = read_all(file, readable);
    if (!readable) {
        fault("text", text_of(file), "is missing: the menu shows bare keys",
              "copy " VT_MENU_MESSAGE_FILE " from text/usascii and translate it");
    } else {
        for (const Finding& finding : check_message_text(text_of(file), text, menu_keys()))
            add(finding.level, finding.area, finding.path, finding.message, finding.fix);
    }
    icons(folder / "resource");
    if (!fs::is_directory(folder / "menus", error))
        warning("folder", text_of(folder / "menus"), "is missing", "create the empty folder menus");
}

void Check::text_folders() {
    fs::path text = app_dir_ / "text";
    std::error_code error;
    std::vector<fs::path> folders = {text};
    for (fs::directory_iterator it(text, error), end; !error && it != end; it.increment(error)) {
        std::string name = text_of(it->path().filename());
        std::error_code kind_error;
        if (it->is_directory(kind_error) && name != "menus" && name != "resource") folders.push_back(it->path());
    }
    std::sort(folders.begin() + 1, folders.end());
    for (const fs::path& folder : folders) text_folder(folder);
}

void Check::languages() {
    fs::path text = app_dir_ / "text";
    std::error_code error;
    bool usascii = fs::is_directory(text / "usascii", error);
    if (usascii)
        ok("folder", text_of(text / "usascii"), "the fall-back folder for languages without a folder of their own");
    else
        fault("folder", text_of(text / "usascii"), "is missing: languages without a folder fall back to text itself",
              "copy text/usascii from the package");
    for (int language : options_.languages) {
        std::string name = language_name_of(language);
        if (name == "usascii") continue; /* the fall-back folder, checked above */
        if (name.empty()) {
            warning("folder", text_of(text), "language " + std::to_string(language) +
                                                 " has no folder name; the add-in uses text/usascii",
                    "run the host in a language the add-in knows");
            continue;
        }
        fs::path folder = text / path_of(name);
        if (fs::is_directory(folder, error))
            ok("folder", text_of(folder), "the folder of language " + name);
        else
            fault("folder", text_of(folder), "is missing: users running the host in " + name + " get the " +
                                                 (usascii ? "usascii" : "fall-back") + " menu",
                  "copy text/usascii to text/" + name + " and put the translations on the third line of each message");
    }
}

/* ---- dry start-up ---- */

void Check::dry_start() {
    std::string where = text_of(module_path_);
    if (module_.format != own_format() || module_.machine != own_machine()) {
        BinaryFacts own;
        own.format = own_format();
        own.machine = own_machine();
        warning("start", where, "dry start-up skipped: the module is for " + module_.machine_name() + ", this vthost for " +
                                    own.machine_name(),
                "run the check with a vthost built for the module's machine to see the menu it builds");
        return;
    }
    fs::path beside = path_of(program_).parent_path();
    if (beside.empty()) beside = path_of(VTHOST_BIN_DIR);
    fs::path standin = beside / path_of(VTHOST_STANDIN_FILE);
    std::error_code error;
    if (!fs::is_regular_file(standin, error)) {
        warning("start", where, "dry start-up skipped: no stand-in client library " + text_of(standin),
                "run the vthost of a build, beside which the stand-in lies");
        return;
    }
    /* The stand-in is loaded first: the loader then gives it to the module in place of the
     * installed client library, which it finds by the same name. */
    platform.set_environment("VTPDM_SILENT", "1");
    int os_error = 0;
    standin_ = platform.dll_load(text_of(standin).c_str(), &os_error);
    if (standin_ == nullptr) {
        warning("start", text_of(standin), std::string("dry start-up skipped: the stand-in does not load: ") +
                                               platform.dll_error_text(os_error),
                "rebuild vthost and the stand-in");
        return;
    }
    for (int language : options_.languages) dry_start_language(language);
    platform.dll_unload(standin_, &os_error);
    platform.set_environment("VTPDM_SILENT", "");
}

void collect_unlabelled(Host& host, const std::vector<MenuItem>& items, std::vector<std::string>& unlabelled,
                        std::vector<std::string>& iconless, int& count) {
    for (const MenuItem& item : items) {
        if (item.builtin) continue;
        ++count;
        if (!item.labelled) unlabelled.push_back(item.name + " [" + item.label_key + "]");
        if (item.kind == MenuItem::MENU) {
            collect_unlabelled(host, item.children, unlabelled, iconless, count);
            continue;
        }
        Command* command = host.command_by_id(item.command_id);
        if (command != nullptr && !command->icon_file.empty() && !command->icon_found)
            iconless.push_back(item.name + " (" + command->icon_file + ")");
    }
}

void Check::dry_start_language(int language) {
    std::string where = text_of(module_path_);
    std::string language_text = std::to_string(language) + (*language_name_of(language) ? std::string(" (") + language_name_of(language) + ")" : "");
    Host host;
    host.quiet = true;
    host.language = language;
    host_install(&host);
    int os_error = 0;
    std::string module_text = text_of(module_path_);
    void* module = platform.dll_load(module_text.c_str(), &os_error);
    if (module == nullptr) {
        fault("start", where, std::string("the module does not load: ") + platform.dll_error_text(os_error),
              "see the module and import lines above");
        host_install(nullptr);
        return;
    }
    std::string unbound = first_unbound_import(module);
    if (!unbound.empty()) {
        fault("start", where, "the module does not load: " + unbound + " is not bound", "see the import lines above");
        platform.dll_unload(module, &os_error);
        host_install(nullptr);
        return;
    }
    auto initialize = reinterpret_cast<initialize_function>(platform.dll_symbol(module, "user_initialize_plus", &os_error));
    auto terminate = reinterpret_cast<terminate_function>(platform.dll_symbol(module, "user_terminate_plus", &os_error));
    if (initialize == nullptr || terminate == nullptr) {
        fault("start", where, "the module lacks its entry points", "install vt_vexo's module from the package");
        platform.dll_unload(module, &os_error);
        host_install(nullptr);
        return;
    }
    std::vector<host_function_pair> table = host_function_table({});
    std::u16string module_w = widen(module_text);
    char16_t error_buffer[512] = {};
    char name[] = "vthost";
    char* argv[] = {name, nullptr};
    std::string app_dir = local_path(text_of(app_dir_));
    int status = initialize(1, argv, host.display_version.c_str(), "2004280", 0, error_buffer, app_dir.c_str(),
                            module_w.c_str(), module_text.c_str(), host.app_handle, 0, table.data(),
                            static_cast<int>(table.size()), language);
    if (status != 0) {
        error_buffer[511] = 0;
        fault("start", where, "start-up in language " + language_text + " refused with status " + std::to_string(status) +
                                  " \"" + narrow(error_buffer) + "\"",
              "install the module that matches the host's release");
    } else {
        std::vector<std::string> unlabelled, iconless;
        int count = 0;
        collect_unlabelled(host, host.menubar, unlabelled, iconless, count);
        std::string menu = text_of(app_dir_ / "text");
        for (const std::string& item : unlabelled)
            fault("start", menu, "in language " + language_text + " the menu item " + item + " shows unlabelled",
                  "add its key to the message file of that language");
        for (const std::string& item : iconless)
            fault("start", menu, "in language " + language_text + " the menu item " + item + " shows without an icon",
                  "put the icon into the resource folder of that language");
        if (count == 0)
            fault("start", where, "start-up in language " + language_text + " built no menu", "install vt_vexo's module from the package");
        else if (unlabelled.empty() && iconless.empty())
            ok("start", where, "dry start-up in language " + language_text + ": " + std::to_string(count) +
                                   " menu items, every one labelled, every command with its icon");
        terminate();
    }
    platform.dll_unload(module, &os_error);
    host_install(nullptr);
}

int Check::run() {
    std::error_code error;
    fs::path target = path_of(options_.target);
    registry_file_ = fs::is_directory(target, error) ? target / "protk.dat" : target;
    bool paths = registry();
    bool module_read = false;
    if (module_found_) {
        module_read = module();
        if (module_read) imports();
    }
    if (paths) {
        text_folders();
        languages();
    }
    if (paths && module_read && !options_.no_start) dry_start();
    int total = counts_[0] + counts_[1] + counts_[2];
    if (options_.json) {
        printf("{\"summary\":{\"checks\":%d,\"ok\":%d,\"warning\":%d,\"fault\":%d}}\n", total, counts_[0], counts_[1], counts_[2]);
    } else {
        printf("vthost check: %d checks, %d ok, %d warning%s, %d FAULT%s\n", total, counts_[0], counts_[1],
               counts_[1] == 1 ? "" : "s", counts_[2], counts_[2] == 1 ? "" : "s");
    }
    fflush(stdout);
    return counts_[Finding::FAULT] == 0 ? 0 : 1;
}

const char check_usage[] =
    "usage: vthost check [--lang CODE|NAME ...] [--no-start] [--json] [--as LOCATION] FILE|DIR\n"
    "  FILE|DIR            the registry file (protk.dat), or the folder holding it\n"
    "  --lang CODE|NAME    a language the host runs in (repeatable; default 0, usascii)\n"
    "  --no-start          no dry start-up of the module\n"
    "  --json              JSON lines instead of text\n"
    "  --as LOCATION       the registry file's paths name LOCATION; look them up beside it\n";

}  // namespace

int run_check(const std::vector<std::string>& args, const std::string& program) {
    CheckOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            fputs(check_usage, stdout);
            return 0;
        }
        if ((arg == "--lang" || arg == "--as") && i + 1 >= args.size()) {
            fprintf(stderr, "vthost check: %s needs a value\n%s", arg.c_str(), check_usage);
            return 2;
        }
        if (arg == "--lang") {
            int code = language_code_from_text(args[++i]);
            if (code < 0) {
                fprintf(stderr, "vthost check: --lang: '%s' is neither a language code nor a language name\n", args[i].c_str());
                return 2;
            }
            options.languages.push_back(code);
        } else if (arg == "--as") {
            options.location = args[++i];
        } else if (arg == "--no-start") {
            options.no_start = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            fprintf(stderr, "vthost check: unknown option %s\n%s", arg.c_str(), check_usage);
            return 2;
        } else if (!options.target.empty()) {
            fprintf(stderr, "vthost check: more than one installation: %s and %s\n", options.target.c_str(), arg.c_str());
            return 2;
        } else {
            options.target = arg;
        }
    }
    if (options.target.empty()) {
        fprintf(stderr, "vthost check: no registry file or folder given\n%s", check_usage);
        return 2;
    }
    if (options.languages.empty()) options.languages.push_back(0);
    return Check(options, program).run();
}

}  // namespace vthost
