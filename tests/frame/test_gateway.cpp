// Host function gateway: the halving lookup over sorted tables of every size that matters, and
// the forwarding entries against vthost's host model, which records every call it receives, with
// host functions of the tests' own for the members the model does not serve.  Entry caches live for the
// whole process, so every forwarding case runs in a fresh child process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frame/gateway.h"
#include "tests/support/child_test.h"
#include "tests/support/test_host.h"

namespace {

using vthost::HostCall;
using vthost::other_function;
using vthost::word_function;

// ---- lookup ------------------------------------------------------------------------------------

host_function marker(std::size_t i) { return reinterpret_cast<host_function>((i + 1) * 16); }

// A sorted table of the given names, each with its own marker as function.
struct NameTable {
    std::vector<std::string> names;
    std::vector<host_function_pair> pairs;
    explicit NameTable(std::vector<std::string> sorted) : names(std::move(sorted)) {
        for (std::size_t i = 0; i < names.size(); ++i) pairs.push_back({marker(i), names[i].c_str()});
        gateway_install_table(pairs.data(), static_cast<int>(pairs.size()));
    }
};

// Names with bytes above 0x7F, prefixes of each other and varied lengths, sorted bytewise.
std::vector<std::string> generated_names(std::size_t count) {
    static const char alphabet[] = "APr_agmv\x7f\x80\xc3\xff";
    std::mt19937 random(20260);
    std::set<std::string, std::less<>> unique;
    while (unique.size() < count) {
        std::string name = "Pro";
        std::size_t length = 1 + random() % 10;
        for (std::size_t i = 0; i < length; ++i) name += alphabet[random() % (sizeof alphabet - 1)];
        unique.insert(name);
        if (unique.size() < count && random() % 4 == 0) unique.insert(name + "_v");
    }
    return {unique.begin(), unique.end()};  // std::string orders bytes as unsigned char
}

void expect_lookup_finds_exactly(const std::vector<std::string>& names) {
    NameTable table(names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(host_function_lookup(names[i].c_str()), marker(i)) << "name " << i;
        // Just above this name and below the next one.
        std::string between = names[i] + "\x01";
        if (i + 1 == names.size() || between != names[i + 1]) {
            EXPECT_EQ(host_function_lookup(between.c_str()), nullptr) << "after name " << i;
        }
        std::string shorter = names[i].substr(0, names[i].size() - 1);
        if (!std::binary_search(names.begin(), names.end(), shorter)) {
            EXPECT_EQ(host_function_lookup(shorter.c_str()), nullptr) << "prefix of name " << i;
        }
    }
    EXPECT_EQ(host_function_lookup(""), nullptr);
    EXPECT_EQ(host_function_lookup("\x01"), nullptr);
    EXPECT_EQ(host_function_lookup("\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"), nullptr);
}

TEST(GatewayLookup, EmptyTableReadsNothing) {
    // The single pair matches the name asked for, but the count says there is none.
    host_function_pair pair = {marker(0), "ProCmdActionAdd_v"};
    gateway_install_table(&pair, 0);
    EXPECT_EQ(host_function_lookup("ProCmdActionAdd_v"), nullptr);
    gateway_install_table(nullptr, 0);
    EXPECT_EQ(host_function_lookup("ProCmdActionAdd_v"), nullptr);
    // A count without a table, and a negative count, read nothing either.
    gateway_install_table(nullptr, 5);
    EXPECT_EQ(host_function_lookup("ProCmdActionAdd_v"), nullptr);
    gateway_install_table(&pair, -1);
    EXPECT_EQ(host_function_lookup("ProCmdActionAdd_v"), nullptr);
    gateway_install_table(&pair, 1);
    EXPECT_EQ(host_function_lookup("ProCmdActionAdd_v"), marker(0));
    gateway_install_table(nullptr, 0);
}

TEST(GatewayLookup, SmallTables) {
    expect_lookup_finds_exactly({"ProMdlDataGet_v"});
    expect_lookup_finds_exactly({"ProCmdActionAdd_v", "ProMdlDataGet_v"});
    expect_lookup_finds_exactly({"ProCmdActionAdd_v", "ProCmdActionAdd_v2", "ProMdlDataGet_v"});
    expect_lookup_finds_exactly({"A", "B", "C", "D"});
}

TEST(GatewayLookup, TableOfOneFindsOnlyItsName) {
    NameTable table({"ProMdlDataGet_v"});
    EXPECT_EQ(host_function_lookup("ProMdlDataGet_v"), marker(0));
    EXPECT_EQ(host_function_lookup("ProMdlDataGet"), nullptr);
    EXPECT_EQ(host_function_lookup("ProMdlDataGet_w"), nullptr);
    EXPECT_EQ(host_function_lookup("A"), nullptr);
}

TEST(GatewayLookup, FullSizeTableFindsEveryNameAndNothingElse) {
    std::vector<std::string> names = generated_names(2152);
    ASSERT_EQ(names.size(), 2152u);
    expect_lookup_finds_exactly(names);
}

TEST(GatewayLookup, EveryPrefixOfAFullSizeTable) {
    // Every count from 1 to 70 over the same names: each shape of the last halving step.
    std::vector<std::string> names = generated_names(70);
    for (std::size_t n = 1; n <= names.size(); ++n) {
        SCOPED_TRACE(n);
        expect_lookup_finds_exactly({names.begin(), names.begin() + n});
    }
}

TEST(GatewayLookup, NamesCompareAsUnsignedBytes) {
    // "\x80" sorts after "z" bytewise; a signed comparison would go the wrong way.
    expect_lookup_finds_exactly({"Pro", "Proz", "Pro\x80", "Pro\xc3\xa9", "Pro\xff"});
}

// ---- directories ------------------------------------------------------------------------------

TEST(GatewayDirectories, ThreeSeparateBuffersOfFullSize) {
    char* dirs[] = {text_dir_get(), menus_dir_get(), resource_dir_get()};
    EXPECT_EQ(dirs[0], text_dir_get());
    for (int i = 0; i < 3; ++i) {
        std::memset(dirs[i], 'a' + i, GATEWAY_DIR_SIZE - 1);
        dirs[i][GATEWAY_DIR_SIZE - 1] = '\0';
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::strlen(dirs[i]), std::size_t(GATEWAY_DIR_SIZE - 1));
        EXPECT_EQ(std::string(dirs[i]), std::string(GATEWAY_DIR_SIZE - 1, char('a' + i)));
    }
}

// ---- forwarding entries ------------------------------------------------------------------------

enum Dir { no_dir, text_dir, menus_dir, resource_dir };

intptr_t dir_word(Dir dir) {
    switch (dir) {
    case text_dir: return reinterpret_cast<intptr_t>(text_dir_get());
    case menus_dir: return reinterpret_cast<intptr_t>(menus_dir_get());
    case resource_dir: return reinterpret_cast<intptr_t>(resource_dir_get());
    default: return 0;
    }
}

// Calls a generic entry with the first N of the given words; 0 for entries without a result.
template <auto Entry, std::size_t... I>
int call_words(const std::vector<intptr_t>& w, std::index_sequence<I...>) {
    if constexpr (std::is_void_v<decltype(Entry(w[I]...))>) {
        Entry(w[I]...);
        return 0;
    } else {
        return Entry(w[I]...);
    }
}
template <auto Entry, std::size_t N>
int invoke(const std::vector<intptr_t>& w) {
    return call_words<Entry>(w, std::make_index_sequence<N>());
}

struct WordMember {
    const char* table_name;
    std::size_t count;
    Dir dir;
    bool has_result;
    int failure;
    int (*call)(const std::vector<intptr_t>&);
};

const WordMember word_members[] = {
    {"ProMessageDisplay_v", 12, text_dir, true, -1, invoke<ProMessageDisplay, 12>},
    {"ProMessageToBuffer_v", 13, text_dir, true, -1, invoke<ProMessageToBuffer, 13>},
    {"ProMenubarmenuChkbuttonAdd_v", 8, text_dir, true, -1, invoke<ProMenubarmenuChkbuttonAdd, 8>},
    {"ProMenubarmenuRadiogrpAdd_v", 10, text_dir, true, -1, invoke<ProMenubarmenuRadiogrpAdd, 10>},
    {"ProMenuFileRegister_v", 3, menus_dir, true, -1, invoke<ProMenuFileRegister, 3>},
    {"ProMenuAuxfileRegister_v", 3, menus_dir, true, -1, invoke<ProMenuAuxfileRegister, 3>},
    {"ProGraphicsPenPosition_v", 1, no_dir, false, 0, invoke<ProGraphicsPenPosition, 1>},
    {"ProGraphicsLineDraw_v", 1, no_dir, false, 0, invoke<ProGraphicsLineDraw, 1>},
    {"ProTextFontDefaultIdGet_v", 1, no_dir, false, 0, invoke<ProTextFontDefaultIdGet, 1>},
    {"ProFeatinputFreeAllElems_v", 1, no_dir, false, 0, invoke<ProFeatinputFreeAllElems, 1>},
    {"ProToolinputFreeAllElems_v", 1, no_dir, false, 0, invoke<ProToolinputFreeAllElems, 1>},
    {"ProGraphicsPolylineDraw_v", 2, no_dir, false, 0, invoke<ProGraphicsPolylineDraw, 2>},
    {"ProGraphicsMultiPolylinesDraw_v", 3, no_dir, false, 0, invoke<ProGraphicsMultiPolylinesDraw, 3>},
    {"ProGraphicsCircleDraw_v", 3, no_dir, false, 0, invoke<ProGraphicsCircleDraw, 3>},
    {"ProMessageClear_v", 0, no_dir, false, 0, invoke<ProMessageClear, 0>},
    {"ProIsPTModeler_v", 0, no_dir, true, 0, invoke<ProIsPTModeler, 0>},
    {"ProValueAlloc_v", 1, no_dir, true, -11, invoke<ProValueAlloc, 1>},
    {"ProArrayFree_v", 1, no_dir, true, -1, invoke<ProArrayFree, 1>},
    {"ProAppfeatureTypeGet", 2, no_dir, true, -1, invoke<ProAppfeatureTypeGet, 2>},
};

// Host functions for the members the host model does not serve, with the parameter types the
// gateway passes them.
std::vector<host_function_pair> other_members() {
    using vthost::WITH_HANDLE_AND_DIRECTORY;
    using vthost::WORDS_ONLY;
    return {
        word_function<"ProMessageDisplay_v", int, 12, WITH_HANDLE_AND_DIRECTORY>(),
        word_function<"ProMessageToBuffer_v", int, 13, WITH_HANDLE_AND_DIRECTORY>(),
        word_function<"ProMenubarmenuChkbuttonAdd_v", int, 8, WITH_HANDLE_AND_DIRECTORY>(),
        word_function<"ProMenubarmenuRadiogrpAdd_v", int, 10, WITH_HANDLE_AND_DIRECTORY>(),
        word_function<"ProMenuFileRegister_v", int, 3, WITH_HANDLE_AND_DIRECTORY>(),
        word_function<"ProMenuAuxfileRegister_v", int, 3, WITH_HANDLE_AND_DIRECTORY>(),
        word_function<"ProGraphicsPenPosition_v", void, 1>(),
        word_function<"ProGraphicsLineDraw_v", void, 1>(),
        word_function<"ProTextFontDefaultIdGet_v", void, 1>(),
        word_function<"ProFeatinputFreeAllElems_v", void, 1>(),
        word_function<"ProToolinputFreeAllElems_v", void, 1>(),
        word_function<"ProGraphicsPolylineDraw_v", void, 2>(),
        word_function<"ProGraphicsMultiPolylinesDraw_v", void, 3>(),
        word_function<"ProGraphicsCircleDraw_v", void, 3>(),
        word_function<"ProMessageClear_v", void, 0>(),
        word_function<"ProIsPTModeler_v", int, 0>(),
        word_function<"ProValueAlloc_v", int, 1>(),
        word_function<"ProArrayFree_v", int, 1>(),
        word_function<"ProGtolleadersFree_v", int, 1>(),
        word_function<"ProAppfeatureTypeGet", int, 2>(),
        word_function<"pro_term_plus", int, 1, WORDS_ONLY>(),
    };
}

// Every member's host function: the model's own thirteen and the others above.
std::vector<host_function_pair> full_host() { return vthost::host_function_table({}, other_members()); }

// Hands the gateway a table of the test's own, kept alive here; the host stays as it is.
void install_table(std::vector<host_function_pair> pairs) {
    static std::vector<host_function_pair> kept;
    kept = std::move(pairs);
    gateway_install_table(kept.data(), static_cast<int>(kept.size()));
}

std::vector<HostCall>& calls() { return test_host::host().recorded; }

// Words that do not fit 32 bits where gateway_word is wider: a truncating entry shows.
std::vector<intptr_t> sample_words() {
    std::vector<intptr_t> w;
    for (intptr_t i = 1; i <= 13; ++i) {
        intptr_t high = sizeof(intptr_t) > 4 ? intptr_t(0x12345678) << (4 * sizeof(intptr_t)) : 0;
        w.push_back(high + i * 1001 - (i % 2 ? 50000 : 0));
    }
    return w;
}

// Answers every host function with a value of its own: the length of its name plus 100.
void answer_by_name() {
    for (const host_function_pair& pair : full_host()) {
        test_host::host().answers[pair.name] = [](const HostCall& call) { return int(call.name.size()) + 100; };
    }
}

void start_host(int handle) {
    test_host::install({}, other_members()).app_handle = handle;
    gateway_install_handle(handle);
    std::strcpy(text_dir_get(), "/app/text/usascii");
    std::strcpy(menus_dir_get(), "/app/text/usascii/menus");
    std::strcpy(resource_dir_get(), "/app/text/resource");
}

intptr_t w(const void* p) { return reinterpret_cast<intptr_t>(p); }

int sample_action(int, void*, void*) { return 0; }
int sample_access(void) { return 3; }
void sample_hook(void) {}
int sample_bracket(int, void*, int entering, void*) { return entering; }

VT_CHILD_TEST(GatewayEntries, TypedMembersPutTheHandleFirstAndTheDirectoryLast) {
    start_host(77);
    answer_by_name();
    const char16_t message_file[] = u"menu_vt_vexo.txt";
    int id = 0;
    void* model = nullptr;
    model_record record{};
    char* display = nullptr;
    const char* s[] = {"a", "b", "c", "d", "e"};
    const intptr_t text = w(text_dir_get()), resource = w(resource_dir_get());

    auto expect_call = [](const char* name, int result, std::vector<intptr_t> expected) {
        ASSERT_EQ(calls().size(), 1u) << name;
        EXPECT_EQ(calls()[0].name, name);
        EXPECT_EQ(calls()[0].words, expected) << name;
        EXPECT_EQ(result, int(std::strlen(name)) + 100) << name;
        calls().clear();
    };

    // Five caller words reach the host as seven: handle, the five, the text directory.
    expect_call("ProMenubarMenuAdd_v", ProMenubarMenuAdd(s[0], s[1], s[2], 1, message_file),
                {77, w(s[0]), w(s[1]), w(s[2]), 1, w(message_file), text});
    expect_call("ProMenubarmenuMenuAdd_v",
                ProMenubarmenuMenuAdd(s[0], s[1], s[2], s[3], 0, message_file),
                {77, w(s[0]), w(s[1]), w(s[2]), w(s[3]), 0, w(message_file), text});
    expect_call("ProMenubarmenuPushbuttonAdd_v",
                ProMenubarmenuPushbuttonAdd(s[0], s[1], s[2], s[3], s[4], 1, -42, message_file),
                {77, w(s[0]), w(s[1]), w(s[2]), w(s[3]), w(s[4]), 1, -42, w(message_file), text});
    expect_call("ProCmdActionAdd_v", ProCmdActionAdd(s[0], sample_action, 5, sample_access, 1, 0, &id),
                {77, w(s[0]), reinterpret_cast<intptr_t>(sample_action), 5,
                 reinterpret_cast<intptr_t>(sample_access), 1, 0, w(&id)});
    expect_call("ProCmdDesignate_v", ProCmdDesignate(9, s[0], s[1], s[2], message_file),
                {77, 9, w(s[0]), w(s[1]), w(s[2]), w(message_file), text});
    expect_call("ProCmdIconSet_v", ProCmdIconSet(9, s[3]), {77, 9, w(s[3]), resource});
    expect_call("ProNotificationSet_v", ProNotificationSet(24, sample_hook),
                {77, 24, reinterpret_cast<intptr_t>(sample_hook)});
    expect_call("ProCmdCmdIdFind_v", ProCmdCmdIdFind(s[4], &id), {77, w(s[4]), w(&id)});
    expect_call("ProCmdBracketFuncAdd_v", ProCmdBracketFuncAdd(3, sample_bracket, s[1], &record),
                {77, 3, reinterpret_cast<intptr_t>(sample_bracket), w(s[1]), w(&record)});
    expect_call("ProMdlCurrentGet_v", ProMdlCurrentGet(&model), {77, w(&model)});
    expect_call("ProMdlDataGet_v", ProMdlDataGet(&id, &record), {77, w(&id), w(&record)});
    expect_call("prodev_pass_version_info_v", prodev_pass_version_info(262003500), {77, 262003500});
    expect_call("ProEngineerDisplayversionGet_v", ProEngineerDisplayversionGet(&display),
                {77, w(&display)});

    // The handle is read at each call, not when the entry was first used.
    gateway_install_handle(-5);
    expect_call("ProMdlCurrentGet_v", ProMdlCurrentGet(&model), {-5, w(&model)});
}

VT_CHILD_TEST(GatewayEntries, WordMembersPassEveryWordAndTheirDirectory) {
    start_host(31);
    answer_by_name();
    const std::vector<intptr_t> sample = sample_words();
    for (const WordMember& member : word_members) {
        SCOPED_TRACE(member.table_name);
        calls().clear();
        int result = member.call(sample);
        std::vector<intptr_t> expected = {31};
        expected.insert(expected.end(), sample.begin(), sample.begin() + member.count);
        if (member.dir != no_dir) expected.push_back(dir_word(member.dir));
        ASSERT_EQ(calls().size(), 1u);
        EXPECT_EQ(calls()[0].name, member.table_name);
        EXPECT_EQ(calls()[0].words, expected);
        if (member.has_result) {
            EXPECT_EQ(result, int(std::strlen(member.table_name)) + 100);
        }
    }
    // The directory passed is the buffer itself, with what start-up wrote into it.
    ProMenuFileRegister(1, 2, 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(calls().back().words.back()),
                 "/app/text/usascii/menus");
    ProMessageDisplay(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
    EXPECT_STREQ(reinterpret_cast<const char*>(calls().back().words.back()),
                 "/app/text/usascii");
}

VT_CHILD_TEST(GatewayEntries, TermPlusPassesItsWordAloneUnderItsOwnName) {
    start_host(31);
    test_host::host().answers["pro_term_plus"] = [](const HostCall&) { return 12; };
    EXPECT_EQ(pro_term_plus(-9), 12);
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_EQ(calls()[0].name, "pro_term_plus");
    EXPECT_EQ(calls()[0].words, std::vector<intptr_t>{-9});
}

VT_CHILD_TEST(GatewayEntries, MissingFunctionFailsAndIsLookedUpAgainUntilFound) {
    test_host::reset();
    install_table({});
    gateway_install_handle(8);
    const std::vector<intptr_t> sample = sample_words();
    int id = 5;
    void* model = &id;
    const char16_t file[] = u"f";

    // Nothing in the table: every entry gives its failure value and no host function runs.
    for (const WordMember& member : word_members) {
        EXPECT_EQ(member.call(sample), member.failure) << member.table_name;
    }
    EXPECT_EQ(ProMenubarMenuAdd("m", "l", "n", 1, file), -1);
    EXPECT_EQ(ProCmdIconSet(1, "i"), -1);
    EXPECT_EQ(ProCmdCmdIdFind("c", &id), -1);
    EXPECT_EQ(ProMdlCurrentGet(&model), -1);
    EXPECT_EQ(prodev_pass_version_info(1), -1);
    EXPECT_EQ(ProGtolleadersFree(1), -1);
    EXPECT_EQ(pro_term_plus(1), -1);
    EXPECT_EQ(id, 5);
    EXPECT_EQ(model, &id);
    EXPECT_TRUE(calls().empty());

    // Once the host holds them, the same entries find them.
    install_table(full_host());
    answer_by_name();
    for (const WordMember& member : word_members) member.call(sample);
    ProMenubarMenuAdd("m", "l", "n", 1, file);
    ProCmdIconSet(1, "i");
    ProCmdCmdIdFind("c", &id);
    ProMdlCurrentGet(&model);
    prodev_pass_version_info(1);
    pro_term_plus(1);
    std::vector<std::string> found;
    for (const HostCall& call : calls()) found.push_back(call.name);
    std::vector<std::string> expected;
    for (const WordMember& member : word_members) expected.push_back(member.table_name);
    for (const char* name : {"ProMenubarMenuAdd_v", "ProCmdIconSet_v", "ProCmdCmdIdFind_v",
                             "ProMdlCurrentGet_v", "prodev_pass_version_info_v", "pro_term_plus"}) {
        expected.push_back(name);
    }
    EXPECT_EQ(found, expected);

    // From now on the cached functions are called without the table.
    install_table({});
    calls().clear();
    for (const WordMember& member : word_members) {
        int result = member.call(sample);
        if (member.has_result) {
            EXPECT_EQ(result, int(std::strlen(member.table_name)) + 100);
        }
    }
    EXPECT_EQ(ProCmdIconSet(1, "i"), int(std::strlen("ProCmdIconSet_v")) + 100);
    EXPECT_EQ(calls().size(), std::size(word_members) + 1);
}

VT_CHILD_TEST(GatewayEntries, FirstFoundFunctionStaysAfterTheTableChanges) {
    start_host(1);
    vthost::Model& current = test_host::host().open_model("PUMP", "PRT");
    void* model = nullptr;
    EXPECT_EQ(ProMdlCurrentGet(&model), 0);
    EXPECT_EQ(model, &current);
    // A second table with another function under the same name is never consulted.
    install_table({other_function<"ProMdlCurrentGet_v", int, int, void**, int>()});
    calls().clear();
    ProMdlCurrentGet(&model);
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_EQ(calls()[0].words.size(), 2u);
}

VT_CHILD_TEST(GatewayEntries, AppfeatureTypeGetIsFoundOnlyWithoutTheSuffix) {
    test_host::reset();
    install_table({word_function<"ProAppfeatureTypeGet_v", int, 2>()});
    EXPECT_EQ(ProAppfeatureTypeGet(1, 2), -1);
    EXPECT_TRUE(calls().empty());
    install_table({word_function<"ProAppfeatureTypeGet", int, 2>()});
    test_host::host().answers["ProAppfeatureTypeGet"] = [](const HostCall&) { return 4; };
    EXPECT_EQ(ProAppfeatureTypeGet(1, 2), 4);
    EXPECT_EQ(calls().size(), 1u);
}

VT_CHILD_TEST(GatewayEntries, GtolleadersFreeFreesTheArrayOnlyAfterSuccess) {
    start_host(6);
    int leaders = 0;
    const intptr_t array = w(&leaders);
    test_host::host().answers["ProArrayFree_v"] = [](const HostCall&) { return 21; };

    test_host::host().answers["ProGtolleadersFree_v"] = [](const HostCall&) { return -3; };
    EXPECT_EQ(ProGtolleadersFree(array), -3);
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_EQ(calls()[0].name, "ProGtolleadersFree_v");
    EXPECT_EQ(calls()[0].words, (std::vector<intptr_t>{6, array}));

    calls().clear();
    test_host::host().answers["ProGtolleadersFree_v"] = [](const HostCall&) { return 0; };
    EXPECT_EQ(ProGtolleadersFree(array), 21);
    ASSERT_EQ(calls().size(), 2u);
    EXPECT_EQ(calls()[0].name, "ProGtolleadersFree_v");
    EXPECT_EQ(calls()[1].name, "ProArrayFree_v");
    EXPECT_EQ(calls()[1].words, (std::vector<intptr_t>{6, array}));
}

VT_CHILD_TEST(GatewayEntries, GtolleadersFreeWithoutArrayFreeGivesItsFailure) {
    test_host::reset();
    install_table({word_function<"ProGtolleadersFree_v", int, 1>()});
    EXPECT_EQ(ProGtolleadersFree(4), -1);
    EXPECT_EQ(calls().size(), 1u);
}

}  // namespace
