// The files the package carries beside the add-in: the menu message file of every language folder
// and the menu icons.  Checked against an independent list of the menu's keys and icon stems and
// against the names the bridge hands to the host at start-up, read back from vthost's host model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "host/check/gif.h"
#include "host/texts.h"
#include "support/fake_pdm.h"
#include "tests/support/child.h"
#include "tests/support/test_host.h"

namespace {

namespace fs = std::filesystem;

// Every label and help key the menu passes to the host, its menu label and sub-menu labels.
const std::vector<std::string> kMenuKeys = {
    "VantorO",   "SEL_label",  "CRO_label",   "GEN_label",
    "g14_label", "g14_help",   "g15_label",   "g15_help",   "g16_label",    "g16_help",
    "g16a_label", "g16a_help", "space_label", "space_help", "g7a_label",    "g7a_help",
    "g7b_label", "g7b_help",   "g7c_label",   "g7c_help",   "g7_label",     "g7_help",
    "g8_label",  "g8_help",    "g9_label",    "g9_help",    "g10_label",    "g10_help",
    "g11_label", "g11_help",   "space2_label", "space2_help", "g12_label",  "g12_help",
    "g13_label", "g13_help",   "c1_label",    "c1_help",    "c2_label",     "c2_help",
    "space1_label", "space1_help", "c3_label", "c3_help",   "c4_label",     "c4_help",
    "c5_label",  "c5_help",    "g4_label",    "g4_help",    "g5_label",     "g5_help",
    "g6o_label", "g6o_help",   "g6_label",    "g6_help",    "g3_label",     "g3_help",
};

// One icon per command item of the menu, named "<stem>.gif".
const std::vector<std::string> kIconStems = {
    "Docdata_g14", "partdata_g15", "saveintoproject_g16", "import_g16a", "login_g7a",
    "newent_g7b",  "pwsmanager_g7c", "projectbrowser_g7", "find_g8",     "QVdoc_g9",
    "QVpart_g10",  "bomview_g11",  "dbview_g12",         "bomview_g13", "qvecr_c1",
    "newecr_c2",   "qveco_c3",     "neweco_c4",          "mytasks_c5",  "hide_g4",
    "show_g5",     "Option_g6o",   "help_g6",            "about_g3",
};

// Language folders under text/, and whether their files carry a translation.
struct Folder { const char* name; bool translated; };
const Folder kFolders[] = {
    {"", false}, {"usascii", false}, {"german", true}, {"french", true}, {"japanese", true},
};

fs::path dist_dir() { return fs::path(vt_test::source_dir()) / "dist"; }

std::string read_file(const fs::path& path) { return vthost::read_file(path).value_or(""); }

// ---- message files ------------------------------------------------------------------------------

struct Message { std::string key, english, translated; };

// Splits a message file into its four-line records; any break of the layout is a failure.
std::vector<Message> parse_messages(const std::string& text, std::string* error) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines.push_back(line);
    std::vector<Message> out;
    if (text.empty() || text.back() != '\n') { *error = "does not end with a line end"; return out; }
    if (lines.size() % 4 != 0) { *error = std::to_string(lines.size()) + " lines, not a multiple of 4"; return out; }
    for (size_t i = 0; i < lines.size(); i += 4) {
        for (size_t k = i; k < i + 4; ++k) {
            if (lines[k].empty() || lines[k].find('\r') != std::string::npos) {
                *error = "line " + std::to_string(k + 1) + " is empty or carries a carriage return";
                return out;
            }
        }
        if (lines[i + 3] != "#") { *error = "line " + std::to_string(i + 4) + " should be #"; return out; }
        if (lines[i] == "#") { *error = "line " + std::to_string(i + 1) + " has no key"; return out; }
        out.push_back({lines[i], lines[i + 1], lines[i + 2]});
    }
    return out;
}

TEST(MessageLayout, ParserRejectsBrokenRecords) {
    std::string error;
    EXPECT_EQ(parse_messages("k\nEnglish\n#\n#\n", &error).size(), 1u) << error;
    error.clear();
    EXPECT_TRUE(parse_messages("k\nEnglish\n#\n", &error).empty());        // three lines
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_TRUE(parse_messages("k\nEnglish\n#\nx\n", &error).empty());     // fourth line not #
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_TRUE(parse_messages("k\n\n#\n#\n", &error).empty());            // empty text
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_TRUE(parse_messages("k\r\nEnglish\r\n#\r\n#\r\n", &error).empty());
    EXPECT_FALSE(error.empty());
}

fs::path message_file(const Folder& f) {
    return dist_dir() / "text" / f.name / "menu_vt_vexo.txt";
}

std::map<std::string, Message> load_messages(const Folder& f) {
    std::string text = read_file(message_file(f));
    std::string error;
    std::map<std::string, Message> by_key;
    auto records = parse_messages(text, &error);
    EXPECT_TRUE(error.empty()) << message_file(f) << ": " << error;
    for (const auto& m : records) {
        EXPECT_TRUE(by_key.emplace(m.key, m).second) << message_file(f) << ": key twice: " << m.key;
    }
    return by_key;
}

TEST(MessageFiles, EveryFolderHasAWellFormedUtf8File) {
    for (const auto& f : kFolders) {
        ASSERT_TRUE(fs::is_regular_file(message_file(f))) << message_file(f);
        std::string text = read_file(message_file(f));
        EXPECT_EQ(vthost::utf8_error_at(text), -1) << message_file(f);
        EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF") << message_file(f) << " starts with a byte-order mark";
        load_messages(f);
    }
}

TEST(MessageFiles, EveryFolderHoldsExactlyTheMenuKeys) {
    std::set<std::string> want(kMenuKeys.begin(), kMenuKeys.end());
    ASSERT_EQ(want.size(), kMenuKeys.size());
    for (const auto& f : kFolders) {
        auto messages = load_messages(f);
        std::set<std::string> have;
        for (const auto& [key, m] : messages) have.insert(key);
        for (const auto& key : want) EXPECT_TRUE(have.count(key)) << message_file(f) << " lacks " << key;
        for (const auto& key : have) EXPECT_TRUE(want.count(key)) << message_file(f) << " has unused key " << key;
    }
}

TEST(MessageFiles, TranslationsPresentWhereExpectedAndEnglishAgrees) {
    auto english = load_messages(kFolders[1]);
    for (const auto& f : kFolders) {
        for (const auto& [key, m] : load_messages(f)) {
            auto ref = english.find(key);
            ASSERT_NE(ref, english.end()) << key;
            EXPECT_EQ(m.english, ref->second.english) << message_file(f) << ": English text of " << key;
            EXPECT_NE(m.english, "#") << message_file(f) << ": " << key;
            if (f.translated)
                EXPECT_NE(m.translated, "#") << message_file(f) << ": no translation of " << key;
            else
                EXPECT_EQ(m.translated, "#") << message_file(f) << ": " << key;
        }
    }
}

TEST(MessageFiles, LanguagesActuallyDiffer) {
    // A translation copied from the English text by mistake shows up as a language whose
    // command labels equal the English ones.
    auto english = load_messages(kFolders[1]);
    for (const auto& f : kFolders) {
        if (!f.translated) continue;
        int same = 0, commands = 0;
        for (const auto& [key, m] : load_messages(f)) {
            if (key.size() > 6 && key.compare(key.size() - 6, 6, "_label") == 0 && key.rfind("space", 0) != 0) {
                ++commands;
                same += m.translated == english[key].english;
            }
        }
        EXPECT_LT(same * 4, commands) << f.name << ": " << same << " of " << commands << " labels untranslated";
    }
}

TEST(MessageFiles, JapaneseTextIsJapanese) {
    auto japanese = load_messages(kFolders[4]);
    // "ログイン" in UTF-8: katakana, not a code-page encoding.
    EXPECT_EQ(japanese["g7a_label"].translated, "\xE3\x83\xAD\xE3\x82\xB0\xE3\x82\xA4\xE3\x83\xB3");
}

// What the bridge hands to the host at start-up, read back from vthost's host model: every
// label, help and description key of the menu and its commands, and every icon file's stem.
struct Registered {
    std::set<std::string> keys, icons;
};

void collect_keys(const std::vector<vthost::MenuItem>& items, std::set<std::string>& keys) {
    for (const vthost::MenuItem& item : items) {
        if (item.builtin) continue;
        keys.insert(item.label_key);
        if (!item.help_key.empty()) keys.insert(item.help_key);
        collect_keys(item.children, keys);
    }
}

Registered bridge_registrations() {
    vthost::Host& host = test_host::install();
    fake_pdm::reset();
    EXPECT_EQ(bridge_initialize(0, nullptr, "26", "", nullptr), 0);
    Registered r;
    collect_keys(host.menubar, r.keys);
    for (const vthost::Command& command : host.commands) {
        if (command.designated) r.keys.insert({command.label_key, command.help_key, command.description_key});
        if (command.icon_file.size() > 4) r.icons.insert(command.icon_file.substr(0, command.icon_file.size() - 4));
    }
    test_host::reset();
    return r;
}

TEST(MessageFiles, CoverEveryKeyTheBridgeHandsToTheHost) {
    auto keys = bridge_registrations().keys;
    EXPECT_EQ(keys.size(), kMenuKeys.size());
    for (const auto& key : kMenuKeys) EXPECT_TRUE(keys.count(key)) << "the bridge does not use " << key;
    for (const auto& f : kFolders) {
        auto messages = load_messages(f);
        for (const auto& key : keys) EXPECT_TRUE(messages.count(key)) << message_file(f) << " lacks " << key;
    }
}

// ---- icons --------------------------------------------------------------------------------------

// The icons are read with vthost's GIF reader, the one its installation check uses.
using vthost::Gif;
using vthost::read_gif;

// A 2x2 image in two colours, the second transparent, written by hand.  Minimum code size 2:
// clear is 4, end is 5; codes start 3 bits wide and widen to 4 once the decoder's table reaches 8
// entries, which happens on the fourth code below.
struct Code { int code, width; };
const std::vector<Code> kTinyCodes = {{4, 3}, {0, 3}, {1, 3}, {1, 3}, {0, 4}, {5, 4}};

std::string tiny_gif(const std::vector<Code>& codes = kTinyCodes) {
    std::string s = "GIF89a";
    s += std::string("\x02\x00\x02\x00\x80\x00\x00", 7);
    s += std::string("\x00\x00\x00\xFF\xFF\xFF", 6);
    s += std::string("\x21\xF9\x04\x01\x00\x00\x01\x00", 8);
    s += std::string("\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00", 10);
    uint64_t acc = 0;
    int n = 0;
    for (auto c : codes) { acc |= static_cast<uint64_t>(c.code) << n; n += c.width; }
    std::string data;
    for (int i = 0; i < n; i += 8) data += static_cast<char>((acc >> i) & 0xFF);
    s += '\x02';
    s += static_cast<char>(data.size());
    s += data;
    s += '\x00';
    s += '\x3B';
    return s;
}

TEST(GifReader, ReadsAHandWrittenImageAndRejectsDamage) {
    Gif g = read_gif(tiny_gif());
    ASSERT_EQ(g.error, "");
    EXPECT_EQ(g.width, 2);
    EXPECT_EQ(g.transparent, 1);
    EXPECT_EQ(g.pixels, (std::vector<int>{0, 1, 1, 0}));

    std::string gif87 = tiny_gif();
    gif87[4] = '7';
    EXPECT_EQ(read_gif(gif87).error, "not GIF89a");
    std::string cut = tiny_gif();
    cut.pop_back();
    EXPECT_EQ(read_gif(cut).error, "no trailer");
    std::string trailing = tiny_gif() + "x";
    EXPECT_EQ(read_gif(trailing).error, "bytes after the trailer");
    // Data without the leading clear code, a code beyond the table, a missing end code, and
    // the width kept at 3 bits where the decoder has widened to 4.
    EXPECT_EQ(read_gif(tiny_gif({{0, 3}, {1, 3}, {1, 3}, {0, 4}, {5, 4}})).error, "bad LZW data");
    EXPECT_EQ(read_gif(tiny_gif({{4, 3}, {0, 3}, {7, 3}, {5, 3}})).error, "bad LZW data");
    EXPECT_EQ(read_gif(tiny_gif({{4, 3}, {0, 3}, {1, 3}, {1, 3}, {0, 4}})).error, "bad LZW data");
    EXPECT_NE(read_gif(tiny_gif({{4, 3}, {0, 3}, {1, 3}, {1, 3}, {0, 3}, {5, 3}})).error, "");
    std::string opaque = tiny_gif();
    opaque[6 + 7 + 6 + 3] = 0;                 // graphic control flags: no transparency
    EXPECT_EQ(read_gif(opaque).transparent, -1);
}

fs::path icon_file(const std::string& stem) { return dist_dir() / "icons" / (stem + ".gif"); }

TEST(Icons, EveryStemHasAValid16x16TransparentGif) {
    for (const auto& stem : kIconStems) {
        SCOPED_TRACE(stem);
        ASSERT_TRUE(fs::is_regular_file(icon_file(stem)));
        Gif g = read_gif(read_file(icon_file(stem)));
        ASSERT_EQ(g.error, "");
        EXPECT_EQ(g.width, 16);
        EXPECT_EQ(g.height, 16);
        ASSERT_GE(g.transparent, 0) << "no transparent colour";
        ASSERT_LT(g.transparent, g.colours);
        long clear = std::count(g.pixels.begin(), g.pixels.end(), g.transparent);
        EXPECT_GT(clear, 0) << "transparency unused";
        EXPECT_GT(256 - clear, 32) << "almost nothing drawn";
        std::set<int> used(g.pixels.begin(), g.pixels.end());
        EXPECT_GE(used.size(), 3u) << "fewer than two drawing colours";
    }
}

TEST(Icons, NoStrayFilesAndNoTwoAlike) {
    std::set<std::string> want(kIconStems.begin(), kIconStems.end());
    ASSERT_EQ(want.size(), 24u);
    for (const auto& entry : fs::directory_iterator(dist_dir() / "icons")) {
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(entry.path().extension() == ".gif" && want.count(entry.path().stem().string()))
            << "stray file " << name;
    }
    std::map<std::vector<uint8_t>, std::string> seen;
    for (const auto& stem : kIconStems) {
        Gif g = read_gif(read_file(icon_file(stem)));
        std::vector<uint8_t> image;   // colours as drawn, transparency as a colour of its own
        for (int p : g.pixels) {
            if (p == g.transparent) { image.insert(image.end(), {0, 0, 0, 0}); continue; }
            image.insert(image.end(), {1, g.palette[3 * p], g.palette[3 * p + 1], g.palette[3 * p + 2]});
        }
        auto [it, fresh] = seen.emplace(image, stem);
        EXPECT_TRUE(fresh) << stem << " looks exactly like " << it->second;
    }
}

TEST(Icons, CoverEveryIconTheBridgeHandsToTheHost) {
    auto stems = bridge_registrations().icons;
    EXPECT_EQ(stems, std::set<std::string>(kIconStems.begin(), kIconStems.end()));
    for (const auto& stem : stems) EXPECT_TRUE(fs::is_regular_file(icon_file(stem))) << stem;
}

}  // namespace
