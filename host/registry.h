/* The host's registry file (protk.dat): the entries through which the host finds and loads its
 * add-ins.
 *
 * One entry is a run of lines `KEY VALUE` closed by a line `end`:
 *     name vt_vexo
 *     startup dll
 *     exec_file C:\vt_vexo\vt_vexo.dll
 *     text_dir C:\vt_vexo\text
 *     revision Wildfire
 *     end
 * How vthost reads it, as the host does:
 *   - keys without regard to case; the value is the first word after the key (blanks and tabs
 *     separate words, so a path cannot hold a blank: what follows the first word is ignored);
 *   - blank lines are ignored anywhere; leading and trailing blanks and a CR line end too;
 *   - a key the host does not know is ignored; a known key given twice keeps its last value;
 *   - an entry that the file ends before its `end` is not loaded;
 *   - a relative path is taken from the host's working directory.
 * The installation check reports each of these cases. */
#ifndef VTHOST_REGISTRY_H
#define VTHOST_REGISTRY_H

#include <string>
#include <vector>

namespace vthost {

struct RegistryLine {
    int number = 0;          /* 1-based line number in the file */
    std::string key;         /* as written */
    std::string value;       /* the first word after the key, "" when none */
    std::string rest;        /* anything after that word (the host ignores it) */
};

struct RegistryEntry {
    int first_line = 0;
    bool ended = false;                  /* closed by `end` */
    std::vector<RegistryLine> lines;     /* every key line of the entry, in order */
    /* The last value of a key (lower case), "" when the entry has none. */
    std::string value(const std::string& key) const;
    const RegistryLine* line(const std::string& key) const;
};

/* The keys the host knows, in lower case. */
extern const char* const registry_keys[5];

/* Reads the text of a registry file into its entries. */
std::vector<RegistryEntry> parse_registry(const std::string& text);

/* The entry vthost loads from a file: the one named "vt_vexo" (without regard to case), else the
 * only entry.  Null, with a message for a person, when there is no such entry. */
const RegistryEntry* addin_entry(const std::vector<RegistryEntry>& entries, std::string& error);

/* The application directory the host hands to the add-in for a text_dir: the folder that holds
 * the text folder (the add-in appends "text" itself). */
std::string application_dir_of_text_dir(const std::string& text_dir);


/* Reads the registry file `path` as the host does at start-up and gives the module path
 * (exec_file) and the application directory (the folder holding text_dir) of vt_vexo's entry.
 * False, with a message for a person, when the host would not load the add-in from it. */
bool addin_from_registry(const std::string& path, std::string& module, std::string& app_dir, std::string& error);

/* Lower case of ASCII letters. */
std::string lower_ascii(std::string text);

}  // namespace vthost

#endif
