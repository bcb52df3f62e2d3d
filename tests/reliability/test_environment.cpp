// PRO_LANG, LANG and CUSTOM_LOCALE_IS_MULTIBYTE as a user's environment may hold them: empty,
// blank, far longer than any buffer, or not ASCII at all.  A whole session runs in a child
// process with each value; the language chosen must be the defined one and nothing may overrun
// (the sanitizer build checks every buffer on the way).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bridge/bridge.h"
#include "module/entry.h"
#include "support/fake_pdm.h"
#include "tests/reliability/addin_session.h"
#include "tests/support/child.h"
#include "tests/support/test_host.h"
#include "text/text.h"

// The language comes from the environment when a conversion comes before start-up; the session
// then runs in it, and start-up hands the same code back as the host's language.
VT_CHILD(environment_session) {
    fake_pdm::reset();
    test_host::install();
    // Windows keeps no empty variables: there an empty value leaves PRO_LANG absent.
    printf("PRO_LANG %s\n", getenv("PRO_LANG") != nullptr ? "present" : "absent");
    char narrow[64];
    pro_wstr_to_str(narrow, u"PUMP");
    int language = lang_get();
    addin_session::text_work();
    int status = addin_session::start(test_host::table(), test_host::table_count(), language);
    addin_session::work();
    user_terminate_plus();
    const char* lang = getenv("LANG");
    printf("language %d\nstatus %d\nLANG %s\nlast %s\n", language, status, lang ? lang : "(unset)",
           fake_pdm::calls.empty() ? "" : fake_pdm::calls.back().c_str());
    return 0;
}

namespace {

struct Value {
    const char* label;
    std::string text;
};

const std::string long_ascii(300, 'x');
std::string long_utf8() {
    std::string s;
    for (int i = 0; i < 150; ++i) s += "\xc3\xa9";  // 300 bytes of é
    return s;
}

std::vector<Value> awkward_values() {
    return {
        {"empty", ""},
        {"blank", "   \t "},
        {"over-long", long_ascii},
        {"over-long UTF-8", long_utf8()},
        {"non-ASCII", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"},  // 日本語 in UTF-8
        {"invalid bytes", "\xff\xfe\x80\x01"},
        {"Latin-1", "fran\xe7" "ais"},
    };
}

struct EnvRun {
    vt_test::ChildResult r;
    int language = -99;
    int status = -99;
    std::string lang;
    std::string last;
};

EnvRun run(const vt_test::ChildEnv& settings) {
    vt_test::ChildEnv env = {{"ALLOW_CRASH", std::nullopt}, {"PRO_EXPECTED_EXIT_STATUS", std::nullopt},
                             {"PRO_LANG", std::nullopt}, {"LANG", std::nullopt},
                             {"CUSTOM_LOCALE_IS_MULTIBYTE", std::nullopt}, {"LC_ALL", std::nullopt}};
    for (const auto& setting : settings) env.push_back(setting);
    EnvRun run;
    run.r = vt_test::run_child("environment_session", env);
    const std::string& out = run.r.out;
    size_t at = out.rfind("language ");
    if (at != std::string::npos) sscanf(out.c_str() + at, "language %d\nstatus %d", &run.language, &run.status);
    at = out.rfind("\nLANG ");
    if (at != std::string::npos) run.lang = out.substr(at + 6, out.find('\n', at + 1) - at - 6);
    at = out.rfind("\nlast ");
    if (at != std::string::npos) run.last = out.substr(at + 6, out.find('\n', at + 1) - at - 6);
    return run;
}

void expect_completed(const EnvRun& run, const std::string& what) {
    EXPECT_TRUE(run.r.exited && run.r.exit_code == 0)
        << what << ": " << (run.r.exited ? "exit " : "signal ") << run.r.exit_code << "\n" << run.r.out << run.r.err;
    EXPECT_EQ(run.status, 0) << what;
    EXPECT_EQ(run.last, "Stop") << what;
}

const char invalid_warning[] = "WANRNING: PRO_LANG=";

TEST(Environment, AwkwardProLangFallsBackToEnglish) {
    for (const Value& value : awkward_values()) {
        EnvRun r = run({{"PRO_LANG", value.text}});
        expect_completed(r, std::string("PRO_LANG ") + value.label);
        EXPECT_EQ(r.language, 0) << value.label;
        // A value of nothing but bytes that read as 32 or less when signed (blanks, control
        // characters, every byte from 0x80 up) is blank: reported and ignored.  Any other is
        // exported as LANG while it fits the export buffer.
        bool blank = true;
        for (char c : value.text) blank = blank && static_cast<signed char>(c) <= 32;
        bool present = r.r.out.find("PRO_LANG present") != std::string::npos;
        EXPECT_EQ(r.r.out.find(invalid_warning) != std::string::npos, blank && present) << value.label;
        std::string exported = blank || value.text.size() > 58 ? "(unset)" : value.text;
        EXPECT_EQ(r.lang, exported) << value.label;
    }
}

TEST(Environment, AwkwardLangFallsBackToEnglish) {
    for (const Value& value : awkward_values()) {
        EnvRun r = run({{"LANG", value.text}});
        expect_completed(r, std::string("LANG ") + value.label);
        EXPECT_EQ(r.language, 0) << value.label;
        EXPECT_EQ(r.lang, value.text) << value.label << ": LANG is the user's, not the add-in's";
    }
}

TEST(Environment, AwkwardProLangWithAwkwardLang) {
    EnvRun r = run({{"PRO_LANG", "  "}, {"LANG", long_ascii}});
    expect_completed(r, "blank PRO_LANG, over-long LANG");
    EXPECT_EQ(r.language, 0);
    EnvRun japanese = run({{"PRO_LANG", ""}, {"LANG", "JAPANESE"}});
    expect_completed(japanese, "empty PRO_LANG, LANG=JAPANESE");
    // The table knows the name whatever the case; the code stands when the run-time library
    // accepts the name and falls back to 0 when it does not.
    EXPECT_TRUE(japanese.language == 1 || japanese.language == 0) << japanese.language;
}

// The flag matters only for a language the table does not know but the run-time library
// accepts: C.UTF-8 is such a name on every Linux, "english" in the Windows C library.
#if defined(_WIN32)
const char* const custom_name = "english";
#else
const char* const custom_name = "C.UTF-8";
#endif

TEST(Environment, AwkwardMultibyteFlagCountsAsNotSet) {
    EnvRun positive = run({{"PRO_LANG", custom_name}, {"CUSTOM_LOCALE_IS_MULTIBYTE", "TrUe"}});
    expect_completed(positive, "CUSTOM_LOCALE_IS_MULTIBYTE TrUe");
    EXPECT_EQ(positive.language, 6);
    for (const Value& value : awkward_values()) {
        EnvRun r = run({{"PRO_LANG", custom_name}, {"CUSTOM_LOCALE_IS_MULTIBYTE", value.text}});
        expect_completed(r, std::string("CUSTOM_LOCALE_IS_MULTIBYTE ") + value.label);
        EXPECT_EQ(r.language, 11) << value.label;
    }
    // "true" followed by enough characters to reach 32 is too long to count.
    EnvRun padded = run({{"PRO_LANG", custom_name}, {"CUSTOM_LOCALE_IS_MULTIBYTE", "true" + std::string(28, ' ')}});
    expect_completed(padded, "CUSTOM_LOCALE_IS_MULTIBYTE of 32 characters");
    EXPECT_EQ(padded.language, 11);
}

TEST(Environment, AllThreeAwkwardAtOnce) {
    for (const Value& value : awkward_values()) {
        EnvRun r = run({{"PRO_LANG", value.text}, {"LANG", value.text}, {"CUSTOM_LOCALE_IS_MULTIBYTE", value.text}});
        expect_completed(r, std::string("all three ") + value.label);
        EXPECT_EQ(r.language, 0) << value.label;
    }
}

}  // namespace
