/* protk.dat for an installation folder: normalising the folder Windows Installer hands over,
 * refusing a folder the host could not use, and the file's text. */
#include "setup/protk_writer.h"

#include <string.h>

#include <algorithm>

#include "frame/gateway.h"
#include "module/entry.h"
#include "setup/protk_template.h"
#include "text/languages.h"

namespace vt_setup {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

/* "C:\..." or "\\server\share\...". */
bool is_absolute(const std::string& folder) {
    bool drive = folder.size() >= 3 && ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
                 folder[1] == ':' && is_separator(folder[2]);
    bool share = folder.size() >= 3 && is_separator(folder[0]) && is_separator(folder[1]) && !is_separator(folder[2]);
    return drive || share;
}

/* The longest directory name the add-in can build for a language: the name of each language in
 * the list the locale table takes its names from (a code's first row carries it). */
size_t longest_language_name() {
    size_t longest = 0;
    for (const vt_language& language : vt_languages) longest = std::max(longest, strlen(language.name));
    return longest;
}

void replace(std::string& text, const std::string& placeholder, const std::string& value) {
    size_t at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, placeholder.size(), value);
}

}  // namespace

std::string inside(const std::string& folder, const char* name) {
    return is_separator(folder.back()) ? folder + name : folder + "\\" + name;
}

std::string folder_without_trailing_separators(const std::string& folder) {
    std::string result = folder;
    for (;;) {
        size_t keep = (result.size() >= 2 && result[1] == ':') ? 3 : 1; /* "C:\" or "\" */
        if (result.size() > keep && is_separator(result.back())) {
            result.pop_back();
        } else if (result.size() >= keep + 1 && result.back() == '.' && is_separator(result[result.size() - 2])) {
            result.pop_back(); /* a trailing "\." step */
        } else {
            return result;
        }
    }
}

std::string folder_refusal(const std::string& folder) {
    if (folder.empty()) return "no installation folder was given";
    if (!is_absolute(folder))
        return "the installation folder " + folder + " is not an absolute path -- give it with its drive, such as C:\\vt_vexo";
    if (folder.find_first_of(" \t") != std::string::npos)
        return "the installation folder " + folder +
               " holds a blank, which protk.dat cannot carry -- install into a folder without blanks, such as C:\\vt_vexo";
    if (folder.find_first_of("\r\n") != std::string::npos)
        return "the installation folder holds a line end -- install into a folder such as C:\\vt_vexo";
    /* folder\text\LANGUAGE\resource and its terminator must fit the add-in's buffer; the
     * add-in is handed the folder as its application directory. */
    size_t length = resource_dir_length(folder.size(), longest_language_name());
    if (length >= GATEWAY_DIR_SIZE)
        return "the installation folder " + folder + " is too long: the add-in's resource folder path would be " +
               std::to_string(length) + " characters, and its buffers hold " + std::to_string(GATEWAY_DIR_SIZE - 1) +
               " -- install into a folder with a shorter path";
    return "";
}

std::string protk_text(const std::string& folder) {
    std::string text = protk_template;
    replace(text, "@VT_EXEC_FILE@", inside(folder, "vt_vexo.dll"));
    replace(text, "@VT_TEXT_DIR@", inside(folder, "text"));
    std::string windows;
    for (char c : text) {
        if (c == '\n') windows += '\r';
        windows += c;
    }
    return windows;
}

}  // namespace vt_setup
