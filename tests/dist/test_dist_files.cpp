// The files the package carries beside the add-in: the menu message file of every language folder
// and the menu icons.  Checked against the keys and icons the bridge hands to the host at start-up,
// read back from vthost's host model (the menu itself is checked item by item in
// tests/bridge/test_menu.cpp), and with the installation checker's own reading of a message file.
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
#include "host/check/check.h"
#include "host/check/gif.h"
#include "host/texts.h"
#include "support/fake_pdm.h"
#include "tests/support/child.h"
#include "tests/support/test_host.h"

namespace {

namespace fs = std::filesystem;

// Language folders under text/, and whether their files carry a translation.
struct Folder { const char* name; bool translated; };
const Folder kFolders[] = {
    {"", false}, {"usascii", false}, {"german", true}, {"french", true}, {"japanese", true},
};

fs::path dist_dir() { return fs::path(vt_test::source_dir()) / "dist"; }

std::string read_file(const fs::path& path) { return vthost::read_file(path).value_or(""); }

// ---- message files ------------------------------------------------------------------------------

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

const Registered& bridge_registrations() {
    static const Registered registered = [] {
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
    }();
    return registered;
}

// The menu's label and three sub-menu labels, and a label and help key for each of its 27 items
// (24 commands, 3 separators); one icon for each of the 24 commands.
TEST(MenuNames, TheBridgeHandsOver58KeysAnd24Icons) {
    EXPECT_EQ(bridge_registrations().keys.size(), 58u);
    EXPECT_EQ(bridge_registrations().icons.size(), 24u);
}

fs::path message_file(const Folder& f) {
    return dist_dir() / "text" / f.name / "menu_vt_vexo.txt";
}

// The installation check's reading of a folder's message file: its findings against the keys
// the bridge uses, then the messages.
vthost::MessageFile load_messages(const Folder& f) {
    std::string text = read_file(message_file(f));
    std::vector<std::string> keys(bridge_registrations().keys.begin(), bridge_registrations().keys.end());
    std::vector<vthost::Finding> findings = vthost::check_message_text(message_file(f).string(), text, keys);
    for (const vthost::Finding& finding : findings)
        EXPECT_EQ(finding.level, vthost::Finding::OK) << vthost::finding_text(finding);
    return vthost::parse_message_file(text);
}

TEST(MessageFiles, EveryFolderHasAWellFormedFileWithEveryKeyOnce) {
    for (const auto& f : kFolders) {
        ASSERT_TRUE(fs::is_regular_file(message_file(f))) << message_file(f);
        std::string text = read_file(message_file(f));
        // The shipped files keep LF line ends, and end with one.
        EXPECT_EQ(text.find('\r'), std::string::npos) << message_file(f);
        EXPECT_EQ(text.back(), '\n') << message_file(f);
        load_messages(f);
    }
}

TEST(MessageFiles, EveryFolderHoldsExactlyTheKeysTheBridgeUses) {
    const std::set<std::string>& want = bridge_registrations().keys;
    for (const auto& f : kFolders) {
        std::set<std::string> have;
        for (const auto& [key, m] : load_messages(f)) have.insert(key);
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
    for (const auto& stem : bridge_registrations().icons) {
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
    const std::set<std::string>& want = bridge_registrations().icons;
    for (const auto& entry : fs::directory_iterator(dist_dir() / "icons")) {
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(entry.path().extension() == ".gif" && want.count(entry.path().stem().string()))
            << "stray file " << name;
    }
    std::map<std::vector<uint8_t>, std::string> seen;
    for (const auto& stem : want) {
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

TEST(Icons, EveryIconTheBridgeHandsToTheHostIsShipped) {
    for (const auto& stem : bridge_registrations().icons) EXPECT_TRUE(fs::is_regular_file(icon_file(stem))) << stem;
}

}  // namespace
