// The model event hooks with arbitrary model records: names and types that fill their fields
// without a terminator, characters of every script, any current language, a host that may or
// may not have a current model or its data.
#include <cstring>

#include "bridge/bridge.h"
#include "frame/gateway.h"
#include "fuzz/fuzz_input.h"
#include "text/text.h"

namespace {

struct Host {
    int current_status = 0;
    int data_status = 0;
    model_record record{};
} host;

int current_get(int, void** model) {
    *model = &host.record;
    return host.current_status;
}

int data_get(int, void*, model_record* data) {
    if (host.data_status == 0) std::memcpy(data, &host.record, sizeof host.record);
    return host.data_status;
}

const host_function_pair table[] = {
    {reinterpret_cast<host_function>(current_get), "ProMdlCurrentGet_v"},
    {reinterpret_cast<host_function>(data_get), "ProMdlDataGet_v"},
};

void fill(FuzzInput& in, model_record& record) {
    for (char16_t& unit : record.name) unit = in.u16();
    for (char16_t& unit : record.type) unit = in.u16();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool installed = false;
    if (!installed) {
        gateway_install_handle(1);
        gateway_install_table(table, 2);
        installed = true;
    }
    FuzzInput in(data, size);
    lang_set(in.byte() % 22);
    host.current_status = in.byte() % 4 == 0 ? -1 : 0;
    host.data_status = in.byte() % 4 == 0 ? -1 : 0;
    fill(in, host.record);
    model_record first{}, second{};
    fill(in, first);
    fill(in, second);

    int saved = VTNotifyBeforeSave();
    if (saved != 0 && saved != 1) __builtin_trap();
    if (VTNotifySwitchDocument() != 0 || VTNotifyAfterOpen(&first) != 0 ||
        VTNotifyAfterClose(&second) != 0 || VTNotifyBeforeClose() != 0 || VTNotifyIgnore() != 0 ||
        VTNotifyIgnorePair(&first, &second) != 0)
        __builtin_trap();
    return 0;
}
