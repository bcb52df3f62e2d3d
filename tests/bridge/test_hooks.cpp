// Model event hooks and the document key, against vthost's host model (through the gateway) and
// the recording client fake.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "frame/vt_constants.h"
#include "platform/platform.h"
#include "support/fake_pdm.h"
#include "tests/support/test_host.h"
#include "text/text.h"

namespace {

using Lines = std::vector<std::string>;

struct HookTest : testing::Test {
    int saved_language = 0;
    void SetUp() override {
        test_host::install();
        fake_pdm::reset();
        saved_language = lang_set(VT_LANG_ENGLISH);
    }
    void TearDown() override {
        lang_set(saved_language < 0 ? VT_LANG_ENGLISH : saved_language);
        test_host::reset();
    }
    // Opens a model in the host and makes it current.
    vthost::Model& with_current(const std::string& name, const std::string& type) {
        return test_host::host().open_model(name, type);
    }
    // A current model whose data the host hands out as the given record.
    void with_current(const model_record& record) { with_current("", "").record = record; }
};

TEST_F(HookTest, ModelRecordsGiveNameFullStopType) {
    model_record pump = test_host::make_record("PUMP", "PRT");
    char key[BRIDGE_KEY_SIZE];
    ASSERT_EQ(bridge_document_key(&pump, key), 0);
    EXPECT_STREQ(key, "PUMP.PRT");

    EXPECT_EQ(VTNotifyAfterOpen(&pump), 0);
    model_record asm_record = test_host::make_record("Gear box-2", "asm");
    EXPECT_EQ(VTNotifyAfterClose(&asm_record), 0);
    model_record nameless = test_host::make_record("", "");
    EXPECT_EQ(VTNotifyAfterOpen(&nameless), 0);
    EXPECT_EQ(fake_pdm::calls, (Lines{"AfterOpen(PUMP.PRT)", "AfterClose(Gear box-2.asm)",
                                      "AfterOpen(.)"}));
    EXPECT_TRUE(test_host::calls().empty()) << "the record comes with the event";
}

TEST_F(HookTest, SubscribedHooksServeTheirNotificationTypes) {
    ASSERT_EQ(bridge_initialize(0, nullptr, "26", "", nullptr), 0);
    with_current("SHAFT", "PRT");
    model_record opened = test_host::make_record("PUMP", "PRT");
    model_record other = test_host::make_record("BODY", "ASM");
    fake_pdm::reset();
    fake_pdm::answers["AfterOpen"] = 5; // ignored answers
    fake_pdm::answers["SwitchDocument"] = 5;

    vthost::Host& host = test_host::host();
    EXPECT_EQ(host.notifications.size(), 8u);
    EXPECT_EQ(host.notify(VT_NOTIFY_AFTER_OPEN, &opened), 0);
    EXPECT_EQ(host.notify(VT_NOTIFY_BEFORE_SAVE), 0); // BeforeSave answers 1 by default
    EXPECT_EQ(host.notify(VT_NOTIFY_REGENERATE), 0);
    EXPECT_EQ(host.notify(VT_NOTIFY_BEFORE_CLOSE), 0);
    EXPECT_EQ(host.notify(VT_NOTIFY_AFTER_CLOSE, &other), 0);
    EXPECT_EQ(host.notify(VT_NOTIFY_WINDOW_CHANGED), 0);
    EXPECT_EQ(host.notify(VT_NOTIFY_COPY, &opened, &other), 0);
    EXPECT_EQ(host.notify(VT_NOTIFY_RENAME, &opened, &other), 0);
    EXPECT_EQ(fake_pdm::calls,
              (Lines{"AfterOpen(PUMP.PRT)", "BeforeSave(SHAFT.PRT)", "BeforeClose()",
                     "AfterClose(BODY.ASM)", "SwitchDocument(SHAFT.PRT)"}));
}

TEST_F(HookTest, BeforeSaveNamesTheCurrentModelAndInvertsTheLibraryAnswer) {
    with_current("PUMP", "PRT");
    for (int answer : {1, 0, -4}) {
        fake_pdm::reset();
        test_host::host().recorded.clear();
        fake_pdm::answers["BeforeSave"] = answer;
        EXPECT_EQ(VTNotifyBeforeSave(), answer == 0 ? 1 : 0) << answer;
        EXPECT_EQ(fake_pdm::calls, Lines{"BeforeSave(PUMP.PRT)"});
        EXPECT_EQ(test_host::calls(), (Lines{"ProMdlCurrentGet()", "ProMdlDataGet(PUMP.PRT)"}));
    }
}

TEST_F(HookTest, BeforeSaveWithoutAModelAsksWithTheEmptyKey) {
    for (int answer : {0, 1}) {
        fake_pdm::reset();
        fake_pdm::answers["BeforeSave"] = answer;
        EXPECT_EQ(VTNotifyBeforeSave(), answer == 0 ? 1 : 0);
        EXPECT_EQ(fake_pdm::calls, Lines{"BeforeSave()"});
    }
    EXPECT_EQ(test_host::calls(), (Lines{"ProMdlCurrentGet()", "ProMdlCurrentGet()"}));
}

TEST_F(HookTest, UnreadableModelDataStopsSaveAndSwitchWithoutTheLibrary) {
    with_current("PUMP", "PRT");
    test_host::host().answers["ProMdlDataGet_v"] = [](const vthost::HostCall&) { return VT_HOST_BAD_INPUTS; };
    fake_pdm::answers["BeforeSave"] = 0; // would also give 1: make sure the 1 is the hook's own
    EXPECT_EQ(VTNotifyBeforeSave(), 1);
    EXPECT_EQ(VTNotifySwitchDocument(), 0);
    EXPECT_TRUE(fake_pdm::calls.empty());
    fake_pdm::answers["BeforeSave"] = 1;
    EXPECT_EQ(VTNotifyBeforeSave(), 1);
    EXPECT_TRUE(fake_pdm::calls.empty());
}

TEST_F(HookTest, SwitchDocumentSendsTheCurrentModelOrTheEmptyKey) {
    fake_pdm::answers["SwitchDocument"] = 9;
    EXPECT_EQ(VTNotifySwitchDocument(), 0);
    with_current("BRACKET", "DRW");
    EXPECT_EQ(VTNotifySwitchDocument(), 0);
    EXPECT_EQ(fake_pdm::calls, (Lines{"SwitchDocument()", "SwitchDocument(BRACKET.DRW)"}));
}

TEST_F(HookTest, CloseAndIgnoredEventsNeverNameAModel) {
    with_current("PUMP", "PRT");
    model_record a = test_host::make_record("A", "PRT");
    EXPECT_EQ(VTNotifyBeforeClose(), 0);
    EXPECT_EQ(VTNotifyIgnore(), 0);
    EXPECT_EQ(VTNotifyIgnorePair(&a, &a), 0);
    EXPECT_EQ(VTNotifyIgnorePair(nullptr, nullptr), 0);
    EXPECT_EQ(fake_pdm::calls, Lines{"BeforeClose()"});
    EXPECT_TRUE(test_host::calls().empty());
}

// The host fills its whole data record, more than the two fields the bridge declares.
TEST_F(HookTest, HostFieldsAfterTheRecordStayInTheHooksOwnArea) {
    with_current("PUMP", "PRT");
    test_host::host().record_tail_bytes = 2048;
    EXPECT_EQ(VTNotifyBeforeSave(), 0);
    EXPECT_EQ(VTNotifySwitchDocument(), 0);
    EXPECT_EQ(fake_pdm::calls, (Lines{"BeforeSave(PUMP.PRT)", "SwitchDocument(PUMP.PRT)"}));
}

// Name and type fields that the host filled to the last unit, followed by more non-zero data:
// only the field's own units belong to the key.
TEST_F(HookTest, UnterminatedFieldsAreReadToTheirWidthOnly) {
    struct {
        model_record record;
        char16_t after[8];
    } host;
    for (char16_t& unit : host.record.name)
        unit = u'N';
    memcpy(host.record.type, u"ABCD", 4 * sizeof(char16_t));
    for (char16_t& unit : host.after)
        unit = u'Z';

    char key[BRIDGE_KEY_SIZE];
    ASSERT_EQ(bridge_document_key(&host.record, key), 0);
    EXPECT_EQ(std::string(key), std::string(80, 'N') + ".ABCD");

    VTNotifyAfterOpen(&host.record);
    EXPECT_EQ(fake_pdm::calls, Lines{"AfterOpen(" + std::string(80, 'N') + ".ABCD)"});
}

TEST_F(HookTest, NoRecordNoKey) {
    char key[BRIDGE_KEY_SIZE] = "stale";
    EXPECT_EQ(bridge_document_key(nullptr, key), -1);
    EXPECT_STREQ(key, "");
    EXPECT_EQ(VTNotifyAfterOpen(nullptr), 0);
    EXPECT_EQ(VTNotifyAfterClose(nullptr), 0);
    EXPECT_TRUE(fake_pdm::calls.empty());
}

// ---- keys near the 256-byte limit ------------------------------------------------------------
//
// A code page whose characters take up to four bytes each: a unit 0x0k41 (k = 1..4) becomes the
// byte 0x41 written k times, any other unit its low byte.  Installed as the platform's
// wide-to-narrow service under a code-page language.

int wide_units_to_bytes(int, unsigned, const char16_t* source, int length, char* dest,
                        int capacity) {
    if (length < 0) {
        length = 0;
        while (source[length])
            length++;
        length++;
    }
    int written = 0;
    for (int i = 0; i < length; i++) {
        unsigned unit = source[i];
        int count = unit >= 0x100 && unit < 0x500 ? static_cast<int>(unit >> 8) : 1;
        for (int k = 0; k < count; k++) {
            if (capacity != 0 && written >= capacity)
                return 0;
            if (capacity != 0)
                dest[written] = static_cast<char>(unit & 0xFF);
            written++;
        }
    }
    return written;
}

struct LongKeyTest : HookTest {
    int (*saved_wc_to_mb)(int, unsigned, const char16_t*, int, char*, int) = nullptr;
    void SetUp() override {
        HookTest::SetUp();
        saved_wc_to_mb = platform.wc_to_mb;
        platform.wc_to_mb = wide_units_to_bytes;
        lang_set(VT_LANG_KOREAN); // a whole-string code-page language
    }
    void TearDown() override {
        platform.wc_to_mb = saved_wc_to_mb;
        HookTest::TearDown();
    }
    // name: `quads` units of four bytes; type: the given units.
    static model_record record(int quads, std::u16string type) {
        model_record r;
        memset(&r, 0, sizeof r);
        for (int i = 0; i < quads; i++)
            r.name[i] = 0x0441;
        memcpy(r.type, type.data(), type.size() * sizeof(char16_t));
        return r;
    }
};

TEST_F(LongKeyTest, AKeyOf255BytesIsBuiltWhole) {
    model_record r = record(62, u"\u0342\u0342"); // 248 + 1 + 6
    char guarded[BRIDGE_KEY_SIZE + 8];
    memset(guarded, '#', sizeof guarded);
    ASSERT_EQ(bridge_document_key(&r, guarded), 0);
    EXPECT_EQ(std::string(guarded), std::string(248, 'A') + "." + std::string(6, 'B'));
    EXPECT_EQ(strlen(guarded), 255u);
    for (size_t i = BRIDGE_KEY_SIZE; i < sizeof guarded; i++)
        EXPECT_EQ(guarded[i], '#') << "byte " << i << " after the key buffer";

    with_current(r);
    fake_pdm::answers["BeforeSave"] = 0;
    EXPECT_EQ(VTNotifyBeforeSave(), 1);
    ASSERT_EQ(fake_pdm::calls.size(), 1u);
    EXPECT_EQ(fake_pdm::calls[0].size(), std::string("BeforeSave()").size() + 255);
}

TEST_F(LongKeyTest, AKeyThatWouldNeed256BytesIsRefusedNotCut) {
    for (model_record r : {record(62, u"\u0342\u0342X"),   // 248 + 1 + 7
                           record(80, u"PRT"),             // the name alone is 320
                           record(63, u"\u0442\u0442\u0442\u0442")}) {
        char guarded[BRIDGE_KEY_SIZE + 8];
        memset(guarded, '#', sizeof guarded);
        EXPECT_EQ(bridge_document_key(&r, guarded), -1);
        EXPECT_STREQ(guarded, "");
        for (size_t i = BRIDGE_KEY_SIZE; i < sizeof guarded; i++)
            EXPECT_EQ(guarded[i], '#');

        // Every hook treats it as a model whose data cannot be read.
        fake_pdm::reset();
        fake_pdm::answers["BeforeSave"] = 1;
        test_host::host().current_window = 0;
        with_current(r);
        EXPECT_EQ(VTNotifyAfterOpen(&r), 0);
        EXPECT_EQ(VTNotifyAfterClose(&r), 0);
        EXPECT_EQ(VTNotifyBeforeSave(), 1);
        EXPECT_EQ(VTNotifySwitchDocument(), 0);
        EXPECT_TRUE(fake_pdm::calls.empty());
    }
}

} // namespace
