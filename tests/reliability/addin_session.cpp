// The add-in driven in-process as the host drives it; see addin_session.h.
#include "tests/reliability/addin_session.h"

#include <cstring>

#include "bridge/bridge.h"
#include "module/entry.h"
#include "tests/support/child.h"
#include "frame/vt_constants.h"
#include "tests/support/test_host.h"
#include "text/text.h"

namespace addin_session {

int start(const host_function_pair* table, int count, int language) {
    // Everything handed over at start-up is kept by pointer: it lives as long as the process.
    static std::string app_dir = vt_test::source_dir() + "/tests/host/data/app";
    static char program[] = "vthost";
    static char* argv[] = {program, nullptr};
    static char16_t error_buffer[512];
    static const char16_t module_w[] = u"vt_vexo";
    return user_initialize_plus(1, argv, "26", "2004280", 0, error_buffer, app_dir.c_str(), module_w,
                                "vt_vexo", test_host::app_handle, 0, table, count, language);
}

namespace {

model_record wide_record(const std::u16string& name, const std::u16string& type) {
    model_record record;
    std::memset(&record, 0, sizeof record);
    for (size_t i = 0; i < name.size() && i < 80; ++i) record.name[i] = name[i];
    for (size_t i = 0; i < type.size() && i < 4; ++i) record.type[i] = type[i];
    return record;
}

}  // namespace

void work() {
    vthost::Host& host = test_host::host();
    model_record plain = test_host::make_record("PUMP", "PRT");
    model_record scripts = wide_record(u"\u00c9TAGE-\u3042\u05d0\u0416\u20ac", u"ASM");
    // Name and type fill their fields without a terminator.
    model_record full = wide_record(std::u16string(80, u'\u3042'), u"DRWX");

    for (const model_record* record : {&plain, &scripts, &full}) {
        model_record copy = *record;
        host.open_model("", "").record = copy;
        host.notify(VT_NOTIFY_AFTER_OPEN, &copy);
        host.notify(VT_NOTIFY_WINDOW_CHANGED);
        host.notify(VT_NOTIFY_BEFORE_SAVE);
        host.notify(VT_NOTIFY_REGENERATE);
        host.notify(VT_NOTIFY_COPY, &copy, &plain);
        host.notify(VT_NOTIFY_RENAME, &plain, &copy);
        test_host::run_command("ProCmdWinCloseAsyn");
        host.notify(VT_NOTIFY_BEFORE_CLOSE);
        host.notify(VT_NOTIFY_AFTER_CLOSE, &copy);
    }
    host.current_window = 0;
    host.notify(VT_NOTIFY_BEFORE_SAVE);
    host.notify(VT_NOTIFY_WINDOW_CHANGED);
    test_host::run_command("XProCmdExit");

    for (const vthost::Command& command : host.commands) {
        if (command.access != nullptr) command.access();
        if (command.action != nullptr) command.action(command.id, nullptr, nullptr);
    }
    text_work();
}

void text_work() {
    const int saved = lang_get();
    static const char16_t* const names[] = {u"PUMP", u"\u00e9\u20ac\u0141", u"\u05d0\u05ea\u05eb",
                                            u"\u3042\uff71A", u"\u0416\u0391\u011f", u""};
    for (int language : {VT_LANG_ENGLISH, VT_LANG_JAPANESE, VT_LANG_GERMAN, VT_LANG_RUSSIAN, VT_LANG_KOREAN,
                         VT_LANG_HEBREW, VT_LANG_GREEK, VT_LANG_TURKISH, VT_LANG_CZECH, VT_LANG_CUSTOM,
                         VT_LANG_CUSTOM_MULTIBYTE}) {
        lang_set(language);
        for (const char16_t* name : names) {
            char narrow[4 * 80 + 1];
            char16_t wide[80 + 1];
            pro_wstr_to_str(narrow, name);
            pro_str_to_wstr(wide, narrow);
            char key[256];
            pro_str_format(key, "%s.%s", narrow, "PRT");
            pro_str_format(key, "%-12.5ws|%d|%e|%8.3f|%x|%c", name, language, 1.5e7, -2.25, 255, 'A');
            char16_t wide_text[256];
            pro_wstr_format(wide_text, "%s %ws %d", narrow, name, 42);
        }
        // Texts that outgrow the formatter's first buffers: a long result, a wide number, a long
        // wide string.
        static char long_result[4096];
        std::string long_text(1500, 'n');
        std::u16string long_wide(400, u'\u3042');
        pro_str_format(long_result, "%s|%s", long_text.c_str(), long_text.c_str());
        pro_str_format(long_result, "%900d|%-700.3f", language, 2.5);
        pro_str_format(long_result, "%ws", long_wide.c_str());
    }
    lang_set(saved);
}

std::vector<std::string> called_functions() {
    std::vector<std::string> names;
    for (const std::string& call : test_host::calls()) names.push_back(call.substr(0, call.find('(')));
    return names;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : separator) + part;
    return out;
}

}  // namespace addin_session
