/* Start-up and exit of the bridge: the Vantor menu, its commands, the event subscriptions and the
 * command brackets, between the client library's BeforeInit/Start and AfterInit.
 *
 * The menu is data: table A registers the base commands whose ids later buttons take, table B
 * lists the menu items in call order (own commands, buttons on base commands, sub-menus and
 * separators), and a third table pairs the notification types with their hooks.  The host's
 * answers to all of these registrations are ignored: a refused item is simply missing. */
#include <stdio.h>
#include <string.h>

#include "bridge/bridge.h"
#include "bridge/menu_table.h"
#include "bridge/record.h"
#include "frame/gateway.h"
#include "pdmclient/vtpdm.h"
#include "text/text.h"

namespace {

enum {
    PRIORITY = 5,       /* the host's second "immediate" priority */
    ACCESS_AVAILABLE = 3,
    ACCESS_UNAVAILABLE = 1,
};

const char message_file_name[] = VT_MENU_MESSAGE_FILE;
const char top_menu[] = VT_MENU_TOP;

/* Table A: base commands, all with AccessAll and both flags set.  A separator row stores its id
 * in the shared separator id variable instead of its own slot. */
struct base_command {
    const char* action;
    command_action handler;
    int is_separator;
};

const base_command base_commands[] = {
    {"g4cmd", VTCmdHide, 0},
    {"g5cmd", VTCmdShow, 0},
    {"g7acmd", VTCmdLogin, 0},
    {"g7bcmd", VTCmdNewEntity, 0},
    {"g7ccmd", VTCmdPswManager, 0},
    {"g9cmd", VTCmdQueryOnDocuments, 0},
    {"g10cmd", VTCmdQueryOnParts, 0},
    {"g11cmd", VTCmdQueryOnBom, 0},
    {"g12cmd", VTCmdQueryViews, 0},
    {"g13cmd", VTCmdBomViews, 0},
    {"labelcmd", VTCmdNone, 1},
    {"c1cmd", VTCmdQueryChangeReq, 0},
    {"c2cmd", VTCmdNewChangeReq, 0},
    {"c3cmd", VTCmdQueryChangeOrd, 0},
    {"c4cmd", VTCmdNewChangeOrd, 0},
    {"c5cmd", VTCmdQueryAssignedTask, 0},
};
enum { BASE_COUNT = sizeof base_commands / sizeof base_commands[0] };

/* Table B: the menu items in call order.
 *   OWN       - registers `action` (handler, access, flags), then button, designation, icon;
 *   BASE      - button, designation and icon on the id of base command `action`;
 *   SUBMENU   - sub-menu `item` placed after `action`, the neighbour;
 *   SEPARATOR - registers `action` as VTCmdNone into the shared separator id, then a button. */
enum item_kind { OWN, BASE, SUBMENU, SEPARATOR };

struct menu_item {
    const char* parent;
    const char* item;
    item_kind kind;
    const char* label;
    const char* help;
    const char* action;
    command_action handler;
    command_access access;
    int non_active_ok;
    int accessory_ok;
    const char* icon;
};

#define VT_MENU_ROW(parent, item, kind, label, help, action, handler, access, non_active_ok, accessory_ok, icon) \
    {parent, item, kind, label, help, action, handler, access, non_active_ok, accessory_ok, icon},
const menu_item menu_items[] = {VT_MENU_ITEMS(VT_MENU_ROW)};
#undef VT_MENU_ROW

/* The model event subscriptions, in subscription order; each hook is handed over in the
 * host's generic hook form and called back in the shape its type has. */
struct subscription {
    int type;
    notify_hook hook;
};

const subscription subscriptions[] = {
    {19, reinterpret_cast<notify_hook>(VTNotifyAfterOpen)},
    {1, reinterpret_cast<notify_hook>(VTNotifyBeforeSave)},
    {3, reinterpret_cast<notify_hook>(VTNotifyIgnore)},
    {9, reinterpret_cast<notify_hook>(VTNotifyBeforeClose)},
    {11, reinterpret_cast<notify_hook>(VTNotifyAfterClose)},
    {24, reinterpret_cast<notify_hook>(VTNotifySwitchDocument)},
    {8, reinterpret_cast<notify_hook>(VTNotifyIgnorePair)},
    {6, reinterpret_cast<notify_hook>(VTNotifyIgnorePair)},
};

/* Start-up state of the menu build: lives for the duration of bridge_initialize only. */
struct menu_build {
    char16_t message_file[sizeof message_file_name];
    int base_ids[BASE_COUNT];   /* one id per base command, 0 until the host writes one */
    int separator_id;           /* shared by every separator, never cleared */
};

void register_base_commands(menu_build* build) {
    for (int i = 0; i < BASE_COUNT; i++) {
        const base_command* row = &base_commands[i];
        int* id = row->is_separator ? &build->separator_id : &build->base_ids[i];
        ProCmdActionAdd(row->action, row->handler, PRIORITY, AccessAll, 1, 1, id);
    }
}

int base_command_id(const menu_build* build, const char* action) {
    for (int i = 0; i < BASE_COUNT; i++)
        if (strcmp(base_commands[i].action, action) == 0)
            return base_commands[i].is_separator ? build->separator_id : build->base_ids[i];
    return 0;
}

void add_button(const menu_build* build, const menu_item* row, int id) {
    ProMenubarmenuPushbuttonAdd(row->parent, row->item, row->label, row->help, nullptr, 1, id,
                                build->message_file);
}

void add_command_item(const menu_build* build, const menu_item* row, int id) {
    char icon[64];
    add_button(build, row, id);
    ProCmdDesignate(id, row->label, row->help, row->help, build->message_file);
    snprintf(icon, sizeof icon, "%s.gif", row->icon);
    ProCmdIconSet(id, icon);
}

void add_menu_item(menu_build* build, const menu_item* row) {
    switch (row->kind) {
    case OWN: {
        int id = 0;
        ProCmdActionAdd(row->action, row->handler, PRIORITY, row->access, row->non_active_ok,
                        row->accessory_ok, &id);
        add_command_item(build, row, id);
        break;
    }
    case BASE:
        add_command_item(build, row, base_command_id(build, row->action));
        break;
    case SUBMENU:
        ProMenubarmenuMenuAdd(row->parent, row->item, row->label, row->action, 1,
                              build->message_file);
        break;
    case SEPARATOR:
        /* A refused repeat leaves the earlier id, also a VTCmdNone command, in place. */
        ProCmdActionAdd(row->action, row->handler, PRIORITY, row->access, row->non_active_ok,
                        row->accessory_ok, &build->separator_id);
        add_button(build, row, build->separator_id);
        break;
    }
}

} // namespace

extern "C" {

/* Of the host's start-up arguments only the version and build are read, for a recording's
 * header: the host release is not tested and the error buffer is never written.  Every
 * registration status is ignored; the result is always 0. */
int bridge_initialize(int, char**, const char* version, const char* host_build, char16_t*) {
    menu_build build;
    memset(&build, 0, sizeof build);

    record_begin(version, host_build);
    int before_init = BeforeInit();
    int start = Start();

    pro_str_to_wstr(build.message_file, message_file_name);
    ProMenubarMenuAdd(top_menu, VT_MENU_TOP_LABEL, VT_MENU_NEIGHBOUR, 1, build.message_file);

    register_base_commands(&build);
    for (const menu_item& row : menu_items)
        add_menu_item(&build, &row);

    for (const subscription& entry : subscriptions)
        ProNotificationSet(entry.type, record_subscription(entry.type, entry.hook));

    bridge_attach_brackets();
    int after_init = AfterInit();
    record_startup(before_init, start, after_init);
    return 0;
}

int bridge_terminate(void) {
    int answer = Stop();
    record_end(answer);
    return answer;
}

/* The button of a handler: an own command's item, or the item placed on the base command the
 * handler serves; the separators' VTCmdNone is picked through the first separator. */
const char* bridge_button_of(command_action handler) {
    for (const menu_item& row : menu_items) {
        command_action row_handler = row.handler;
        if (row.kind == BASE) {
            row_handler = nullptr;
            for (const base_command& base : base_commands)
                if (strcmp(base.action, row.action) == 0) row_handler = base.handler;
        }
        if (row_handler == handler && row.kind != SUBMENU) return row.item;
    }
    return nullptr;
}

int AccessAll(void) { return ACCESS_AVAILABLE; }

int ModelAccess(void) {
    void* model = nullptr;
    return ProMdlCurrentGet(&model) == 0 ? ACCESS_AVAILABLE : ACCESS_UNAVAILABLE;
}

}
