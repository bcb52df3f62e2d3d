// The soak's generator: a seed is one session, the same in every build; the lines are valid and
// reach every command, button, script and language; names fill the host's field and no more.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "bridge/menu_table.h"
#include "host/host_model.h"
#include "host/soak.h"

namespace {

using vthost::SoakGenerator;
using vthost::SoakStep;
using vthost::ScriptCommand;

std::vector<SoakStep> steps_of(uint64_t seed, long events, std::vector<int> languages) {
    SoakGenerator generator(seed, events, std::move(languages));
    std::vector<SoakStep> steps;
    SoakStep step;
    while (generator.next(step)) steps.push_back(step);
    return steps;
}

std::string session_text(const std::vector<SoakStep>& steps) {
    std::string text;
    for (const SoakStep& step : steps)
        text += step.kind == SoakStep::RUN_START ? "# run " + std::to_string(step.language) + "\n" : step.line + "\n";
    return text;
}

uint64_t fnv1a(const std::string& text) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (unsigned char byte : text) hash = (hash ^ byte) * 0x100000001B3ull;
    return hash;
}

/* Every model a line names. */
std::vector<std::string> models_named(const SoakStep& step) {
    switch (step.command.kind) {
    case ScriptCommand::OPEN:
    case ScriptCommand::COPY:
    case ScriptCommand::RENAME: return step.command.args;
    case ScriptCommand::ACTIVATE: return step.command.args[0] == "none" ? std::vector<std::string>{} : step.command.args;
    default: return {};
    }
}

}  // namespace

TEST(SoakRandom, TheNumbersOfASeedAreFixed) {
    vthost::SoakRandom random(0);
    uint64_t first = random.next();
    vthost::SoakRandom again(0);
    EXPECT_EQ(again.next(), first);
    // The range mapping covers every value and no other.
    std::set<uint32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        uint32_t value = random.below(7);
        ASSERT_LT(value, 7u);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 7u);
    for (int i = 0; i < 200; ++i) {
        int value = random.between(-3, 3);
        ASSERT_GE(value, -3);
        ASSERT_LE(value, 3);
    }
}

TEST(SoakGenerator, ASeedIsOneSessionAndAnotherSeedAnother) {
    std::vector<int> all;
    for (int code = 0; code <= 20; ++code) all.push_back(code);
    std::string first = session_text(steps_of(99, 3000, all));
    EXPECT_EQ(session_text(steps_of(99, 3000, all)), first);
    EXPECT_NE(session_text(steps_of(100, 3000, all)), first);
}

// The session of a seed is the same bytes in every build (native, 64-bit and 32-bit Windows):
// nothing in it may come from the C++ library's random distributions or a platform's text
// handling.  The hash below is that of seed 12345, 5000 lines, every language.
TEST(SoakGenerator, TheSessionOfASeedIsTheSameInEveryBuild) {
    std::vector<int> all;
    for (int code = 0; code <= 20; ++code) all.push_back(code);
    std::string text = session_text(steps_of(12345, 5000, all));
    char hash[17];
    snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(text)));
    EXPECT_STREQ(hash, "6b28ab17e3bebb13") << "the generated session changed, or differs in this build";
}

TEST(SoakGenerator, RunsHoldTheirLinesAndEndWithQuit) {
    std::vector<SoakStep> steps = steps_of(5, 12000, {0, 1, 12});
    long events = 0;
    bool in_run = false;
    int runs = 0;
    for (const SoakStep& step : steps) {
        if (step.kind == SoakStep::RUN_START) {
            EXPECT_FALSE(in_run);
            in_run = true;
            ++runs;
            continue;
        }
        ASSERT_TRUE(in_run);
        EXPECT_EQ(step.event, ++events);
        if (step.kind == SoakStep::RUN_END) {
            EXPECT_EQ(step.line, "quit");
            EXPECT_EQ(step.command.kind, ScriptCommand::QUIT);
            in_run = false;
        }
    }
    EXPECT_FALSE(in_run);
    EXPECT_EQ(events, 12000);
    EXPECT_GE(runs, 3);  // the language changes between runs
}

TEST(SoakGenerator, NamesFillTheHostsFieldAndNoMore) {
    std::map<size_t, int> lengths;
    for (const SoakStep& step : steps_of(8, 20000, {0})) {
        for (const std::string& key : models_named(step)) {
            std::string name, type, error;
            ASSERT_TRUE(vthost::parse_model_key(key, name, type, error)) << step.line << ": " << error;
            std::u16string wide = vthost::widen(name);
            ASSERT_GE(wide.size(), 1u) << step.line;
            ASSERT_LE(wide.size(), 79u) << step.line;
            ++lengths[wide.size()];
            // Never a lone surrogate: each high one is followed by a low one.
            for (size_t i = 0; i < wide.size(); ++i) {
                bool high = wide[i] >= 0xD800 && wide[i] <= 0xDBFF;
                bool low = wide[i] >= 0xDC00 && wide[i] <= 0xDFFF;
                ASSERT_FALSE(low) << step.line;
                if (high) {
                    ASSERT_TRUE(i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) << step.line;
                    ++i;
                }
            }
        }
    }
    EXPECT_GT(lengths[1], 0);
    EXPECT_GT(lengths[79], 0);
    EXPECT_GT(lengths[78], 0);
    EXPECT_GE(lengths.size(), 70u);  // nearly every length between
    // The name maker gives the units asked for, a pair never split at the end.
    vthost::SoakRandom random(3);
    for (int script = 0; script < vthost::SCRIPT_COUNT; ++script)
        for (int units = 1; units <= 79; ++units)
            ASSERT_EQ(vthost::soak_name(random, static_cast<vthost::SoakScript>(script), units, true).size(),
                      static_cast<size_t>(units));
}

TEST(SoakGenerator, EveryCommandButtonScriptAndLanguageIsReached) {
    std::map<std::string, int> commands, buttons, scripts, answers;
    std::set<int> languages;
    int empty_points = 0, longest_between_empty = 0, since_empty = 0;
    for (const SoakStep& step : steps_of(11, 20000, {0, 4, 12, 13, 10})) {
        if (step.kind == SoakStep::RUN_START) {
            languages.insert(step.language);
            continue;
        }
        std::string word = step.line.substr(0, step.line.find(' '));
        if (step.line == "activate none") word = "activate none";
        ++commands[word];
        if (step.command.kind == ScriptCommand::PICK) ++buttons[step.command.args[0]];
        if (step.command.kind == ScriptCommand::SETENV) {
            for (const char* answer : {"BeforeSave=0", "BeforeSave=1"})
                if (step.command.args[1].find(answer) != std::string::npos) ++answers[answer];
        }
        for (const std::string& key : models_named(step)) {
            std::u16string wide = vthost::widen(key.substr(0, key.rfind('.')));
            for (size_t i = 0; i < wide.size(); ++i) {
                char32_t code = wide[i];
                if (code >= 0xD800 && code <= 0xDBFF) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (wide[++i] - 0xDC00);
                }
                ++scripts[vthost::soak_script_name(vthost::soak_script_of(code))];
            }
        }
        since_empty = step.session_empty ? 0 : since_empty + 1;
        if (step.session_empty) ++empty_points;
        longest_between_empty = std::max(longest_between_empty, since_empty);
    }
    for (const char* command : {"open", "activate", "activate none", "save", "close", "close-window", "pick", "menu",
                                "copy", "rename", "regenerate", "setenv", "quit"})
        EXPECT_GT(commands[command], 0) << command;
    // Every button of the menu, separators included.
#define VT_SOAK_BUTTON(parent, item, kind, ...) \
    if (std::string(#kind) != "SUBMENU") {        \
        EXPECT_GT(buttons[item], 0) << item;      \
    }
    VT_MENU_ITEMS(VT_SOAK_BUTTON)
#undef VT_SOAK_BUTTON
    for (const char* script : {"Latin", "Cyrillic", "Greek", "CJK", "Hebrew", "outside the code pages",
                               "surrogate pairs", "special"})
        EXPECT_GT(scripts[script], 0) << script;
    EXPECT_GT(answers["BeforeSave=0"], 0);
    EXPECT_GT(answers["BeforeSave=1"], 0);
    EXPECT_EQ(languages, (std::set<int>{0, 4, 12, 13, 10}));
    // The session comes back to holding nothing, again and again.
    EXPECT_GT(empty_points, 200);
    EXPECT_LT(longest_between_empty, 1500);
}
