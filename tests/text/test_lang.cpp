// Language selection and the locale table: the table and the properties of each code in this
// process; the choice from the environment in child processes (it happens once per process).
//
// Which names the C library's setlocale accepts differs between systems (glibc knows "POSIX" and
// "C.UTF-8" but not "japanese" unless that locale is generated; the Windows run-time library
// knows "japanese").  The environment cases therefore ask a child first whether the name is
// accepted and expect the accepted or the refused branch accordingly.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/child.h"
#include "text/languages.h"
#include "text/text.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using vt_test::ChildEnv;
using vt_test::run_child;

struct named_code {
    const char* name;
    int code;
};

// The names the locale table holds besides each language's own (those come from vt_languages).
const named_code aliases[] = {
    {"C", 0}, {"ru", 4}, {"cht", 9}, {"chinese-traditional", 9}, {"chs", 10}, {"chinese-simplified", 10},
};

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

TEST(LocaleTable, EveryRowNameFindsItsCodeWithoutRegardToCase) {
    lang_set(0);
    std::vector<named_code> rows(std::begin(aliases), std::end(aliases));
    for (const vt_language& language : vt_languages) rows.push_back({language.name, language.code});
    EXPECT_EQ(rows.size(), 27u);
    for (const named_code& row : rows) {
        int expected = row.code;
        // "usascii" names English and both custom locales; the first row, English, wins.
        if (std::string(row.name) == "usascii") expected = 0;
        EXPECT_EQ(lang_code_from_name(row.name), expected) << row.name;
        EXPECT_EQ(lang_code_from_name(upper(row.name).c_str()), expected) << row.name;
    }
    EXPECT_EQ(lang_code_from_name("JaPaNeSe"), 1);
    EXPECT_EQ(lang_code_from_name("Chinese-Simplified"), 10);
}

TEST(LocaleTable, UnknownBlankAndNullNames) {
    EXPECT_EQ(lang_code_from_name(nullptr), -1);
    EXPECT_EQ(lang_code_from_name("klingon"), -1);
    EXPECT_EQ(lang_code_from_name("japanese "), -1);
    EXPECT_EQ(lang_code_from_name("japan"), -1);
    EXPECT_EQ(lang_code_from_name("japanesex"), -1);
    // Leading blanks are skipped only to decide blankness; the whole name is compared.
    EXPECT_EQ(lang_code_from_name(" japanese"), -1);
    EXPECT_EQ(lang_code_from_name("\x81japanese"), -1);
    EXPECT_EQ(lang_code_from_name(""), -2);
    EXPECT_EQ(lang_code_from_name("   "), -2);
    EXPECT_EQ(lang_code_from_name("\t\n\x1f \x80\xff"), -2);   // bytes from 0x80 count as blank
    EXPECT_EQ(lang_code_from_name("\x21"), -1);                 // '!' is not blank
}

TEST(LocaleTable, RowForCodeGivesTheFirstRowOrTheEmptyRow) {
    // The first row of a code carries the language's own name, never an alias.
    for (int code = 0; code <= 20; ++code) {
        const locale_row* row = lang_row_for_code(code);
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(row->name, vt_languages[code].name) << code;
        EXPECT_EQ(row->code, code);
    }
    const named_code names[] = {{"usascii", 0},    {"japanese", 1}, {"russian", 4},  {"usascii", 6},
                                {"spanish", 7},    {"chinese_tw", 9}, {"chinese_cn", 10}, {"usascii", 11},
                                {"hebrew", 12},    {"portuguese", 19}, {"slovak", 20}};
    for (const named_code& known : names) EXPECT_STREQ(lang_row_for_code(known.code)->name, known.name);
    for (int code : {21, -5, -1, 1000}) {
        const locale_row* row = lang_row_for_code(code);
        ASSERT_NE(row, nullptr) << code;
        EXPECT_STREQ(row->name, "") << code;
        EXPECT_EQ(row->code, 0) << code;
    }
}

TEST(LocaleTable, SecondInitialisationIsReportedAndChangesNothing) {
    ASSERT_EQ(lang_code_from_name("slovak"), 20);       // the table exists from here on
    const locale_row* before = lang_row_for_code(9);
    CaptureStdout();
    lang_locale_init();
    EXPECT_EQ(GetCapturedStdout(), "lang_locale_init: The locale table is already initialized!\n");
    EXPECT_EQ(lang_row_for_code(9), before);
    EXPECT_EQ(lang_code_from_name("chinese-simplified"), 10);
}

TEST(LanguageCodes, SetReturnsThePreviousCodeAndKeepsTheEucFlag) {
    lang_set(0);
    EXPECT_EQ(lang_set(1), 0);
    EXPECT_TRUE(lang_euc_mode());
    EXPECT_EQ(lang_get(), 1);
    EXPECT_EQ(lang_set(9), 1);
    EXPECT_FALSE(lang_euc_mode());
    EXPECT_EQ(lang_set(1), 9);
    EXPECT_EQ(lang_set(0), 1);
    EXPECT_FALSE(lang_euc_mode());
}

TEST(LanguageCodes, CodePagesMultibyteAndCustomFlags) {
    // Known code pages of the languages, and the default (0) for the Western ones.
    const named_code pages[] = {{"English", 0},     {"Japanese", 932},  {"French", 0},   {"Russian", 1251},
                                {"Korean", 949},    {"Chinese TW", 950}, {"Chinese CN", 936},
                                {"Hebrew", 28598},  {"Greek", 1253},    {"Turkish", 1254}, {"Czech", 1250},
                                {"Polish", 1250},   {"Portuguese", 0},  {"Slovak", 1250}};
    const int page_codes[] = {0, 1, 2, 4, 8, 9, 10, 12, 13, 14, 15, 16, 19, 20};
    for (size_t i = 0; i < std::size(pages); ++i)
        EXPECT_EQ(lang_code_page(page_codes[i]), pages[i].code) << pages[i].name;
    // Every code as the one list gives it, directly and as the current language.
    for (int code = 0; code <= 20; ++code) {
        EXPECT_EQ(lang_code_page(code), vt_languages[code].code_page) << code;
        EXPECT_EQ(lang_is_multibyte(code), vt_languages[code].multibyte) << code;
        lang_set(code);
        EXPECT_EQ(lang_code_page(-1), vt_languages[code].code_page) << code;
        EXPECT_EQ(lang_current_code_page(), vt_languages[code].code_page) << code;
    }
    for (int code : {21, -2, 99}) EXPECT_EQ(lang_code_page(code), 0) << code;
    lang_set(0);
    for (int code = -3; code <= 25; ++code) {
        bool multibyte = code == 1 || code == 6 || code == 8 || code == 9 || code == 10;
        EXPECT_EQ(lang_is_multibyte(code) != 0, multibyte) << code;
        EXPECT_EQ(lang_is_custom(code) != 0, code == 6 || code == 11) << code;
    }
}

TEST(LanguageList, OneRowPerCodeAndNoneOutside) {
    EXPECT_EQ(VT_LANGUAGE_COUNT, 21);
    for (int code = 0; code < VT_LANGUAGE_COUNT; ++code) {
        ASSERT_NE(vt_language_of(code), nullptr) << code;
        EXPECT_EQ(vt_language_of(code)->code, code);
        EXPECT_STRNE(vt_language_of(code)->name, "") << code;
    }
    for (int code : {-2, -1, 21, 1000}) EXPECT_EQ(vt_language_of(code), nullptr) << code;
}

// ---- choice from the environment through the platform's setlocale -----------------------------
//
// The run-time library's answer is the platform's: a stand-in that accepts a given set of names
// makes the accepted and the refused branch run on every machine.

std::vector<std::string> locale_calls;          // "category:name" of every call
std::vector<std::string> accepted_locales;

const char* stand_in_set_locale(int category, const char* name) {
    locale_calls.push_back((category == LC_ALL ? "all:" : category == LC_NUMERIC ? "numeric:" : "other:") +
                           std::string(name != nullptr ? name : "(query)"));
    for (const std::string& accepted : accepted_locales)
        if (name != nullptr && accepted == name) return name;
    return nullptr;
}

struct LocaleChoice : testing::Test {
    const char* (*saved)(int, const char*) = nullptr;
    std::optional<std::string> saved_pro_lang, saved_lang;
    static std::optional<std::string> read(const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }
    static void put(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
        _putenv_s(name, value ? value->c_str() : "");  // an empty value removes the variable
#else
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
#endif
    }
    void SetUp() override {
        saved = platform.set_locale;
        platform.set_locale = stand_in_set_locale;
        saved_pro_lang = read("PRO_LANG");
        saved_lang = read("LANG");
        locale_calls.clear();
    }
    void TearDown() override {
        platform.set_locale = saved;
        put("PRO_LANG", saved_pro_lang);
        put("LANG", saved_lang);
        lang_set(0);
    }
    // Chooses the language from PRO_LANG and LANG with the given names accepted; the code chosen.
    int choose(std::optional<std::string> pro_lang, std::optional<std::string> lang, std::vector<std::string> accepted) {
        put("PRO_LANG", pro_lang);
        put("LANG", lang);
        accepted_locales = std::move(accepted);
        locale_calls.clear();
        lang_init_from_env();
        return lang_get();
    }
};

TEST_F(LocaleChoice, ATableNameTheLibraryAcceptsGivesItsCode) {
    EXPECT_EQ(choose("japanese", std::nullopt, {"japanese"}), 1);
    EXPECT_EQ(lang_euc_mode(), 1);
    EXPECT_EQ(locale_calls, (std::vector<std::string>{"all:japanese", "numeric:C"}));
    EXPECT_STREQ(std::getenv("LANG"), "japanese") << "PRO_LANG is exported as LANG";
    EXPECT_EQ(choose(std::nullopt, "GERMAN", {"GERMAN"}), 3);
    EXPECT_EQ(locale_calls, (std::vector<std::string>{"all:GERMAN", "numeric:C"}));
}

TEST_F(LocaleChoice, ATableNameTheLibraryRefusesGivesEnglishAndTheCLocale) {
    EXPECT_EQ(choose("japanese", std::nullopt, {"C"}), 0);
    EXPECT_EQ(lang_euc_mode(), 0);
    EXPECT_EQ(locale_calls, (std::vector<std::string>{"all:japanese", "all:C", "numeric:C"}));
}

TEST_F(LocaleChoice, ANameOutsideTheTableIsACustomLocaleWhenAccepted) {
    EXPECT_EQ(choose(std::nullopt, "xx_YY.UTF-8", {"xx_YY.UTF-8"}), lang_custom_code());
    EXPECT_TRUE(lang_is_custom(lang_get()));
    EXPECT_EQ(locale_calls, (std::vector<std::string>{"all:xx_YY.UTF-8", "numeric:C"}));
    EXPECT_EQ(choose(std::nullopt, "xx_YY.UTF-8", {}), 0);
    EXPECT_EQ(locale_calls, (std::vector<std::string>{"all:xx_YY.UTF-8", "all:C", "numeric:C"}));
}

TEST_F(LocaleChoice, BlankOrNoNameNeverAsksForTheNamedLocale) {
    // A blank LANG (PRO_LANG blank is refused with a warning and LANG decides).
    CaptureStdout();
    EXPECT_EQ(choose("  ", "\t", {"  ", "\t", "C"}), 0);
    std::string warning = GetCapturedStdout();
    EXPECT_EQ(warning, "WANRNING: PRO_LANG=   is an invalid setting.\n");
    EXPECT_EQ(locale_calls, (std::vector<std::string>{"all:C", "numeric:C"}));
    EXPECT_EQ(choose(std::nullopt, std::nullopt, {"C"}), 0);
    EXPECT_EQ(locale_calls, (std::vector<std::string>{"numeric:C"}));
}

// ---- choice from the environment, one child process per case ---------------------------------

VT_CHILD(lang_from_env) {
    int code = lang_get();
    const char* lang = std::getenv("LANG");
    const char* ctype = std::setlocale(LC_CTYPE, nullptr);
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    std::printf("code=%d euc=%d LANG=[%s] ctype=%s numeric=%s\n", code, lang_euc_mode(),
                lang != nullptr ? lang : "(unset)", ctype, numeric);
    return 0;
}

VT_CHILD(lang_set_first) {
    int previous = lang_set(3);
    int code = lang_get();
    const char* lang = std::getenv("LANG");
    std::printf("previous=%d code=%d LANG=[%s] ctype=%s\n", previous, code, lang != nullptr ? lang : "(unset)",
                std::setlocale(LC_CTYPE, nullptr));
    return 0;
}

VT_CHILD(custom_code_read_once) {
    int first = lang_custom_code();
    static char to_false[] = "CUSTOM_LOCALE_IS_MULTIBYTE=false";
    static char to_true[] = "CUSTOM_LOCALE_IS_MULTIBYTE=true";
    putenv(first == 6 ? to_false : to_true);
    int second = lang_custom_code();
    std::printf("%d %d\n", first, second);
    return 0;
}

VT_CHILD(probe_locale) {
    const auto& args = vt_test::child_args();
    return !args.empty() && std::setlocale(LC_ALL, args[0].c_str()) != nullptr ? 10 : 11;
}

// A clean environment for the language variables.
ChildEnv clean_env() {
    return {{"PRO_LANG", std::nullopt}, {"LANG", std::nullopt}, {"LC_ALL", std::nullopt},
            {"LC_CTYPE", std::nullopt}, {"LC_NUMERIC", std::nullopt}, {"LANGUAGE", std::nullopt},
            {"CUSTOM_LOCALE_IS_MULTIBYTE", std::nullopt}};
}

ChildEnv with(ChildEnv env, const char* name, const std::string& value) {
    env.emplace_back(name, value);
    return env;
}

bool c_library_accepts(const std::string& name, const ChildEnv& env = clean_env()) {
    auto r = run_child("probe_locale", env, {name});
    return r.exited && r.exit_code == 10;
}

std::string line(int code, int euc, const std::string& lang, const std::string& ctype) {
    return "code=" + std::to_string(code) + " euc=" + std::to_string(euc) + " LANG=[" + lang + "] ctype=" + ctype +
           " numeric=C\n";
}

TEST(LanguageFromEnvironment, NothingSetGivesEnglishAndOnlyTheNumericCategory) {
    auto r = run_child("lang_from_env", clean_env());
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.out, line(0, 0, "(unset)", "C"));
}

TEST(LanguageFromEnvironment, BlankProLangIsReportedAndLangDecides) {
    ASSERT_TRUE(c_library_accepts("POSIX") || c_library_accepts("C")) << "no usable locale name";
    bool posix = c_library_accepts("POSIX");
    std::string lang = posix ? "POSIX" : "C";
    int expected = posix ? 11 : 0;
    for (const std::string blank : {"   ", "", "\t\x81 "}) {
        auto r = run_child("lang_from_env", with(with(clean_env(), "PRO_LANG", blank), "LANG", lang));
        ASSERT_TRUE(r.exited);
        std::string warning = "WANRNING: PRO_LANG=" + blank + " is an invalid setting.\n";
        ASSERT_EQ(r.out.substr(0, warning.size()), warning) << r.out;
        // LANG is not replaced by the blank value.
        EXPECT_NE(r.out.find("code=" + std::to_string(expected) + " euc=0 LANG=[" + lang + "]"), std::string::npos)
            << r.out;
    }
}

TEST(LanguageFromEnvironment, TableNameIsFoundWithoutRegardToCaseAndExportedAsLang) {
    for (const std::string name : {"JAPANESE", "japanese", "usascii", "chinese_tw", "Korean"}) {
        ChildEnv env = with(with(clean_env(), "PRO_LANG", name), "LANG", "C");
        bool accepted = c_library_accepts(name);
        int table_code = lang_code_from_name(name.c_str());
        auto r = run_child("lang_from_env", env);
        ASSERT_TRUE(r.exited) << name;
        if (accepted)
            EXPECT_EQ(r.out.substr(0, r.out.find(" LANG")),
                      "code=" + std::to_string(table_code) + " euc=" + (table_code == 1 ? "1" : "0"))
                << name;
        else
            EXPECT_EQ(r.out, line(0, 0, name, "C")) << name;    // refused: "C" and English
        EXPECT_NE(r.out.find("LANG=[" + name + "]"), std::string::npos) << r.out;
    }
}

TEST(LanguageFromEnvironment, LangWithALeadingBlankGoesToSetlocaleUnchanged) {
    ChildEnv env = with(clean_env(), "LANG", " japanese");
    bool accepted = c_library_accepts(" japanese");
    auto r = run_child("lang_from_env", env);
    ASSERT_TRUE(r.exited);
    if (accepted)
        EXPECT_EQ(r.out.substr(0, 12), "code=11 euc=") << r.out;
    else
        EXPECT_EQ(r.out, line(0, 0, " japanese", "C"));   // no warning: not blank, not in the table
}

TEST(LanguageFromEnvironment, NameTheLibraryAcceptsButTheTableLacksIsACustomLocale) {
    std::string name = c_library_accepts("C.UTF-8") ? "C.UTF-8" : "POSIX";
    if (!c_library_accepts(name)) GTEST_SKIP() << "the C library accepts neither C.UTF-8 nor POSIX";
    struct {
        std::optional<std::string> multibyte;
        int code;
    } cases[] = {
        {std::nullopt, 11},
        {"TrUe", 6},
        {"true", 6},
        {"TRUE", 6},
        {"yes", 11},
        {"", 11},
        {"true ", 11},
        {"true" + std::string(27, ' '), 11},      // 31 characters: read, not "true"
        {std::string(32, 'x'), 11},               // 32 characters: not read
        {std::string(300, 't'), 11},
    };
    for (const auto& c : cases) {
        ChildEnv env = with(clean_env(), "PRO_LANG", name);
        env.emplace_back("CUSTOM_LOCALE_IS_MULTIBYTE", c.multibyte);
        auto r = run_child("lang_from_env", env);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.out.substr(0, r.out.find(" LANG")), "code=" + std::to_string(c.code) + " euc=0")
            << (c.multibyte ? *c.multibyte : "(unset)");
        EXPECT_NE(r.out.find("LANG=[" + name + "]"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(" numeric=C\n"), std::string::npos) << r.out;
    }
    // The same through LANG alone.
    auto r = run_child("lang_from_env", with(clean_env(), "LANG", name));
    EXPECT_EQ(r.out.substr(0, 13), "code=11 euc=0");
}

TEST(LanguageFromEnvironment, CustomLocaleVariableIsReadOnce) {
    auto r = run_child("custom_code_read_once", with(clean_env(), "CUSTOM_LOCALE_IS_MULTIBYTE", "true"));
    EXPECT_EQ(r.out, "6 6\n");
    r = run_child("custom_code_read_once", clean_env());
    EXPECT_EQ(r.out, "11 11\n");
}

TEST(LanguageFromEnvironment, ProLangTooLongForTheExportBufferIsUsedButNotExported) {
    // "LANG=" and 58 characters fill the 64-byte buffer with its terminator; 59 do not fit.
    std::string fits(58, 'q'), too_long(59, 'q'), far_too_long(500, 'q');
    auto r = run_child("lang_from_env", with(with(clean_env(), "PRO_LANG", fits), "LANG", "C"));
    EXPECT_EQ(r.out, line(0, 0, fits, "C"));
    for (const std::string& value : {too_long, far_too_long}) {
        r = run_child("lang_from_env", with(with(clean_env(), "PRO_LANG", value), "LANG", "C"));
        EXPECT_EQ(r.out, line(0, 0, "C", "C")) << value.size();
    }
    r = run_child("lang_from_env", with(clean_env(), "PRO_LANG", too_long));
    EXPECT_EQ(r.out, line(0, 0, "(unset)", "C"));
}

TEST(LanguageFromEnvironment, LanguageSetFirstMeansTheEnvironmentIsNeverRead) {
    auto r = run_child("lang_set_first", with(clean_env(), "PRO_LANG", "POSIX"));
    EXPECT_EQ(r.out, "previous=-1 code=3 LANG=[(unset)] ctype=C\n");
}

// With a generated EUC-JP locale the C library accepts "japanese" (glibc's alias of
// ja_JP.eucJP): the accepted branch of a table name.
std::string find_localedef() {
    for (const char* path : {"/usr/bin/localedef", "/usr/sbin/localedef", "/bin/localedef"})
        if (std::filesystem::exists(path)) return path;
    return "";
}

TEST(LanguageFromEnvironment, JapaneseWithAGeneratedLocaleSetsCodeOneAndTheEucFlag) {
#if defined(_WIN32)
    GTEST_SKIP() << "locales generated by localedef belong to the GNU C library";
#endif
    std::string localedef = find_localedef();
    if (localedef.empty()) GTEST_SKIP() << "localedef is not available";
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("vt_locale_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    auto made = vt_test::run_program({localedef, "-i", "ja_JP", "-f", "EUC-JP", (dir / "ja_JP.eucJP").string()});
    ChildEnv env = with(with(clean_env(), "LOCPATH", dir.string()), "PRO_LANG", "japanese");
    bool accepted = made.exited && c_library_accepts("japanese", env);
    if (!accepted) {
        std::filesystem::remove_all(dir);
        GTEST_SKIP() << "could not generate ja_JP.eucJP for \"japanese\": " << made.err;
    }
    auto r = run_child("lang_from_env", with(env, "LANG", "C"));
    EXPECT_EQ(r.out, line(1, 1, "japanese", "japanese"));
    // Not in the table but accepted: a custom locale.
    r = run_child("lang_from_env", with(with(clean_env(), "LOCPATH", dir.string()), "LANG", "ja_JP.eucJP"));
    EXPECT_EQ(r.out.substr(0, 13), "code=11 euc=0") << r.out;
    std::filesystem::remove_all(dir);
}

// Exporting PRO_LANG as LANG may rebuild the C run-time's environment (msvcrt does), which moved
// the text that getenv had given for PRO_LANG: the language then came from whatever lay there.
VT_CHILD(env_value_after_export) {
    const char* value = lang_env_value();
    std::printf("[%s] LANG=[%s]\n", value != nullptr ? value : "(null)", std::getenv("LANG"));
    return 0;
}

TEST(LanguageFromEnvironment, ProLangValueOutlivesItsExportAsLang) {
    for (const char* before : {"C", "a-much-longer-value-of-lang-than-pro-lang-has"}) {
        auto r = run_child("env_value_after_export",
                           with(with(with(clean_env(), "LANG", before), "PRO_LANG", "german"), "ZZ", "z"));
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.out, "[german] LANG=[german]\n") << before;
    }
}

}  // namespace
