// The add-in driven in-process as the host drives it; see addin_session.h.
#include "tests/reliability/addin_session.h"

#include <cstring>

#include "bridge/bridge.h"
#include "frame/entry.h"
#include "tests/support/child.h"
#include "tests/support/fake_host.h"
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
                                "vt_vexo", fake_host::app_handle, 0, table, count, language);
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
    model_record plain = fake_host::make_record("PUMP", "PRT");
    model_record scripts = wide_record(u"\u00c9TAGE-\u3042\u05d0\u0416\u20ac", u"ASM");
    // Name and type fill their fields without a terminator.
    model_record full = wide_record(std::u16string(80, u'\u3042'), u"DRWX");

    for (const model_record* record : {&plain, &scripts, &full}) {
        model_record copy = *record;
        fake_host::has_current_model = true;
        fake_host::current_record = copy;
        fake_host::notify(19, &copy);
        fake_host::notify(24);
        fake_host::notify(1);
        fake_host::notify(3);
        fake_host::notify(8, &copy, &plain);
        fake_host::notify(6, &plain, &copy);
        fake_host::run_command("ProCmdWinCloseAsyn");
        fake_host::notify(9);
        fake_host::notify(11, &copy);
    }
    fake_host::has_current_model = false;
    fake_host::notify(1);
    fake_host::notify(24);
    fake_host::run_command("XProCmdExit");

    for (const auto& registered : fake_host::actions) {
        if (registered.second.access != nullptr) registered.second.access();
        if (registered.second.handler != nullptr) registered.second.handler(registered.first, nullptr, nullptr);
    }
    text_work();
}

void text_work() {
    const int saved = lang_get();
    static const char16_t* const names[] = {u"PUMP", u"\u00e9\u20ac\u0141", u"\u05d0\u05ea\u05eb",
                                            u"\u3042\uff71A", u"\u0416\u0391\u011f", u""};
    for (int language : {0, 1, 3, 4, 8, 12, 13, 14, 15, 11, 6}) {
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

std::vector<std::string> call_names(const std::vector<std::string>& calls) {
    std::vector<std::string> names;
    for (const std::string& call : calls) names.push_back(call.substr(0, call.find('(')));
    return names;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : separator) + part;
    return out;
}

}  // namespace addin_session
