/* The host function gateway: the by-name lookup over the host's function table and the
 * forwarding entries through which every host function is reached with the application handle
 * in front of the caller's arguments. */
#ifndef VT_GATEWAY_H
#define VT_GATEWAY_H

#include "frame/gateway_members.h"
#include "frame/vt_types.h"

/* Size of each of the three directory buffers of the gateway context, terminator included. */
enum { GATEWAY_DIR_SIZE = 260 };

extern "C" {

void          gateway_install_handle(int app_handle);
void          gateway_install_table(const host_function_pair* table, int count);
host_function host_function_lookup(const char* name);
char* text_dir_get(void);
char* menus_dir_get(void);
char* resource_dir_get(void);

/* The forwarding entries the system calls, with their typed prototypes. */
int ProMenubarMenuAdd(const char* menu, const char* label_key, const char* neighbour, int add_after,
                      const char16_t* message_file);
int ProMenubarmenuMenuAdd(const char* parent, const char* menu, const char* label_key,
                          const char* neighbour, int add_after, const char16_t* message_file);
int ProMenubarmenuPushbuttonAdd(const char* parent, const char* button, const char* label_key,
                                const char* help_key, const char* neighbour, int add_after,
                                int command_id, const char16_t* message_file);
int ProCmdActionAdd(const char* action, command_action fn, int priority, command_access access,
                    int non_active_ok, int accessory_ok, int* command_id);
int ProCmdDesignate(int command_id, const char* label_key, const char* help_key,
                    const char* description_key, const char16_t* message_file);
int ProCmdIconSet(int command_id, const char* icon_file);
int ProNotificationSet(int type, notify_hook hook);
int ProCmdCmdIdFind(const char* command_name, int* command_id);
int ProCmdBracketFuncAdd(int command_id, command_bracket fn, const char* fn_name, void* data);
int ProMdlCurrentGet(void** model);
int ProMdlDataGet(void* model, model_record* data);
int prodev_pass_version_info(int frame_version);
int ProEngineerDisplayversionGet(char** display_version);

/* Every member of the gateway, the ones above again included (the compiler checks that the list
 * agrees with them).  The others take their caller words as gateway_word. */
#define VT_GATEWAY_DECLARE_(entry, params, names, result) result entry params;
#define VT_GATEWAY_DECLARE(entry, table_name, prototype, result, failure, dir, lead, then) \
    VT_GATEWAY_DECLARE_(entry, prototype, result)
VT_GATEWAY_MEMBERS(VT_GATEWAY_DECLARE)
#undef VT_GATEWAY_DECLARE
#undef VT_GATEWAY_DECLARE_

}

#endif
