/* Recording one host call: the readable forms of its arguments. */
#include "host/host_call.h"

namespace vthost {

std::string pointer_text(const void* pointer) {
    char text[32];
    snprintf(text, sizeof text, "%p", pointer);
    return pointer != nullptr ? text : "null";
}

std::string readable_wide(const char16_t* text) {
    if (text == nullptr) return "NULL";
    std::string out = "L\"";
    for (; *text != 0; ++text) {
        if (*text < 0x80) {
            out.push_back(static_cast<char>(*text));
        } else {
            char unit[16];
            snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(*text));
            out += unit;
        }
    }
    return out + "\"";
}

std::string readable_name(const std::string& table_name) {
    size_t length = table_name.size();
    if (length > 2 && table_name.compare(length - 2, 2, "_v") == 0) return table_name.substr(0, length - 2);
    return table_name;
}

void keep_call(Host& host, const HostCall& call) {
    if (host.record_calls) host.recorded.push_back(call);
    if (host.on_call) host.on_call(call);
}

}  // namespace vthost
