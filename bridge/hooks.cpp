/* Model event hooks: the host raises a notification, the hook names the model to the client
 * library by its document key "name.type" and calls one library function.
 *
 * The file holds the document key builder, the empty key that stands for "no model", the steps
 * shared by the hooks that ask the host for the current model, the step shared by the hooks
 * that are handed their model, the seven hooks, and their subscription to the eight
 * notification types (19, 1, 3, 9, 11, 24, 8 and 6, in this order).  Each hook tests
 * record_active once, after its work. */
#include <string.h>

#include "bridge/bridge.h"
#include "bridge/record.h"
#include "frame/gateway.h"
#include "frame/vt_constants.h"
#include "pdmclient/vtpdm.h"
#include "text/text.h"

namespace {

/* Stands for the absence of a current model. */
const char empty_key[1] = "";

/* The host fills the whole of its model data record, of which model_record declares only the
 * leading name and type; the rest of the area takes the host's further fields so that they land
 * in memory of this frame rather than beyond it. */
struct host_model_area {
    model_record record;
    unsigned char host_fields[4096];
};

/* Converts at most `units` code units of a host field, which need not be terminated, into
 * `narrow` (room for units * TEXT_NARROW_PER_UNIT + 1 bytes). */
void field_to_narrow(char* narrow, const char16_t* field, int units) {
    char16_t wide[MODEL_NAME_UNITS + 1];
    int length = 0;
    while (length < units && field[length] != 0) {
        wide[length] = field[length];
        length++;
    }
    wide[length] = 0;
    narrow[0] = 0;
    pro_wstr_to_str(narrow, wide);
}

/* The model event subscriptions, in subscription order; each hook is handed over in the
 * host's generic hook form and called back in the shape its type has. */
struct subscription {
    int type;
    notify_hook hook;
};

const subscription subscriptions[] = {
    {VT_NOTIFY_AFTER_OPEN, reinterpret_cast<notify_hook>(VTNotifyAfterOpen)},
    {VT_NOTIFY_BEFORE_SAVE, reinterpret_cast<notify_hook>(VTNotifyBeforeSave)},
    {VT_NOTIFY_REGENERATE, reinterpret_cast<notify_hook>(VTNotifyIgnore)},
    {VT_NOTIFY_BEFORE_CLOSE, reinterpret_cast<notify_hook>(VTNotifyBeforeClose)},
    {VT_NOTIFY_AFTER_CLOSE, reinterpret_cast<notify_hook>(VTNotifyAfterClose)},
    {VT_NOTIFY_WINDOW_CHANGED, reinterpret_cast<notify_hook>(VTNotifySwitchDocument)},
    {VT_NOTIFY_COPY, reinterpret_cast<notify_hook>(VTNotifyIgnorePair)},
    {VT_NOTIFY_RENAME, reinterpret_cast<notify_hook>(VTNotifyIgnorePair)},
};

/* Asks the host for the current model's record.  Returns 1 when there is no current model,
 * -1 when there is one but its data cannot be read, 0 with the record filled otherwise. */
int current_model_data(host_model_area* area) {
    void* model = nullptr;
    if (ProMdlCurrentGet(&model) != 0)
        return 1;
    /* Only name and type are read back; the host's further fields are never looked at.  Copied
     * from a zero record: a memset of this size becomes a string instruction, slower here. */
    static const model_record cleared = {};
    memcpy(&area->record, &cleared, sizeof area->record);
    if (ProMdlDataGet(model, &area->record) != 0)
        return -1;
    return 0;
}

/* The hooks handed their model: names it to one library function, when it has a key. */
int report_model(model_record* model, int (*library)(const char*), const char* function,
                 record_event event) {
    char key[BRIDGE_KEY_SIZE];
    const char* argument = nullptr;
    int answer = 0;
    if (bridge_document_key(model, key) == 0) {
        argument = key;
        answer = library(key);
    }
    if (record_active) record_hook(event, model, argument != nullptr ? function : nullptr, argument, answer);
    return 0;
}

/* The key of the current model for the hooks that ask the host: the empty key when there is no
 * current model, null when its data or key cannot be had.  *model is its record, or null. */
const char* current_key(host_model_area* area, char key[BRIDGE_KEY_SIZE], const model_record** model) {
    *model = nullptr;
    int found = current_model_data(area);
    if (found == 1) return empty_key;
    if (found < 0) return nullptr;
    *model = &area->record;
    return bridge_document_key(&area->record, key) == 0 ? key : nullptr;
}

/* The hooks that ask the host: names the current model (or the empty key for none) to one
 * library function and gives its answer; an unreadable model calls nothing and gives 0. */
int report_current_model(int (*library)(const char*), const char* function, record_event event) {
    host_model_area area;
    char key[BRIDGE_KEY_SIZE];
    const model_record* model;
    const char* argument = current_key(&area, key, &model);
    int answer = argument != nullptr ? library(argument) : 0;
    if (record_active) record_hook(event, model, argument != nullptr ? function : nullptr, argument, answer);
    return answer;
}

} // namespace

extern "C" {

/* The document key of a model: its converted name and type joined by one full stop.  A key that
 * would not fit in the 256 bytes is refused whole (-1, empty key) rather than cut, since a cut
 * key would name some other document to the library. */
int bridge_document_key(const model_record* model, char key[BRIDGE_KEY_SIZE]) {
    char name[MODEL_NAME_UNITS * TEXT_NARROW_PER_UNIT + 1];
    char type[MODEL_TYPE_UNITS * TEXT_NARROW_PER_UNIT + 1];
    key[0] = 0;
    if (model == nullptr)
        return -1;
    field_to_narrow(name, model->name, MODEL_NAME_UNITS);
    field_to_narrow(type, model->type, MODEL_TYPE_UNITS);
    /* The conversion is bounded by its capacity rule, but a failed conversion may leave the
     * buffer unterminated; never read past it. */
    size_t name_length = strnlen(name, sizeof name - 1);
    size_t type_length = strnlen(type, sizeof type - 1);
    if (name_length + 1 + type_length > BRIDGE_KEY_SIZE - 1)
        return -1;
    memcpy(key, name, name_length);
    key[name_length] = '.';
    memcpy(key + name_length + 1, type, type_length);
    key[name_length + 1 + type_length] = 0;
    return 0;
}

int VTNotifyAfterOpen(model_record* model) {
    return report_model(model, AfterOpen, "AfterOpen", RECORD_OPENED);
}

/* The library's answer decides the host's status: non-zero lets the save go on (0), its 0 and an
 * unreadable current model give 1.  The key names the current model, whatever is being saved. */
int VTNotifyBeforeSave(void) {
    return report_current_model(BeforeSave, "BeforeSave", RECORD_SAVING) == 0 ? 1 : 0;
}

int VTNotifyIgnore(void) {
    if (record_active) record_hook(RECORD_REGENERATED, nullptr, nullptr, nullptr, 0);
    return 0;
}

int VTNotifyBeforeClose(void) {
    int answer = BeforeClose(empty_key);
    if (record_active) record_hook(RECORD_CLOSING, nullptr, "BeforeClose", empty_key, answer);
    return 0;
}

int VTNotifyAfterClose(model_record* model) {
    return report_model(model, AfterClose, "AfterClose", RECORD_CLOSED);
}

int VTNotifySwitchDocument(void) {
    report_current_model(SwitchDocument, "SwitchDocument", RECORD_SWITCHED);
    return 0;
}

int VTNotifyIgnorePair(model_record*, model_record*) { return 0; }

void bridge_subscribe_hooks(void) {
    for (const subscription& entry : subscriptions)
        ProNotificationSet(entry.type, record_subscription(entry.type, entry.hook));
}

}
