/* The Vantor menu and its commands, registered at start-up (bridge/startup.cpp), and the access
 * functions the host asks for a command's state.
 *
 * The menu is data: the base commands register the commands whose ids later buttons take, the
 * menu items (bridge/menu_table.h) list what goes into the menu in call order (own commands,
 * buttons on base commands, sub-menus and separators).  The host's answers to all of these
 * registrations are ignored: a refused item is simply missing. */
#include <stdio.h>
#include <string.h>

#include "bridge/bridge.h"
#include "bridge/menu_table.h"
#include "bridge/record.h"
#include "frame/gateway.h"
#include "frame/vt_constants.h"
#include "text/text.h"

namespace {

const char message_file_name[] = VT_MENU_MESSAGE_FILE;
const char top_menu[] = VT_MENU_TOP;

/* The base commands, all with AccessAll and both flags set.  A separator row stores its id
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

/* The menu items in call order.
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
        ProCmdActionAdd(row->action, row->handler, VT_COMMAND_PRIORITY, AccessAll, 1, 1, id);
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
        ProCmdActionAdd(row->action, row->handler, VT_COMMAND_PRIORITY, row->access, row->non_active_ok,
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
        ProCmdActionAdd(row->action, row->handler, VT_COMMAND_PRIORITY, row->access, row->non_active_ok,
                        row->accessory_ok, &build->separator_id);
        add_button(build, row, build->separator_id);
        break;
    }
}

} // namespace

extern "C" {

/* The top menu, the base commands and the menu items in their order.  The message file name is
 * converted to wide text once and handed to every call that takes it. */
void bridge_register_menu(void) {
    menu_build build;
    memset(&build, 0, sizeof build);
    pro_str_to_wstr(build.message_file, message_file_name);
    ProMenubarMenuAdd(top_menu, VT_MENU_TOP_LABEL, VT_MENU_NEIGHBOUR, 1, build.message_file);
    register_base_commands(&build);
    for (const menu_item& row : menu_items)
        add_menu_item(&build, &row);
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

int AccessAll(void) { return VT_ACCESS_AVAILABLE; }

int ModelAccess(void) {
    void* model = nullptr;
    return ProMdlCurrentGet(&model) == 0 ? VT_ACCESS_AVAILABLE : VT_ACCESS_UNAVAILABLE;
}

}
