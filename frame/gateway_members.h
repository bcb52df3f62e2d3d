/* The members of the host function gateway, one line each.
 *
 *   X(entry, table name, prototype, result, failure value, appended directory, lead, then)
 *
 * entry              the public name callers use;
 * table name         the name looked up in the host function table;
 * prototype          VT_PROTO((typed parameters), (their names)) for the members the system calls,
 *                    or VT_WORDS(n) for a member taking n caller words as gateway_word;
 * result             int, or void for a member without a result;
 * failure value      returned when the host function is missing (ignored for void members);
 * appended directory none, text, menus or resource: passed after the caller's words;
 * lead               handle (the application handle goes in front) or alone (caller's words only);
 * then               nullptr, or a member called with the caller's words when the host function
 *                    returned 0; its result becomes the entry's result.
 *
 * gateway.h declares every member from this list and gateway.cpp defines them; adding a member
 * is adding a line here. */
#ifndef VT_GATEWAY_MEMBERS_H
#define VT_GATEWAY_MEMBERS_H

#define VT_PROTO(params, names) params, names
#define VT_WORDS(n) VT_WORD_PARAMS_##n, VT_WORD_NAMES_##n

#define VT_WORD_PARAMS_0 (void)
#define VT_WORD_PARAMS_1 (gateway_word w1)
#define VT_WORD_PARAMS_2 (gateway_word w1, gateway_word w2)
#define VT_WORD_PARAMS_3 (gateway_word w1, gateway_word w2, gateway_word w3)
#define VT_WORD_PARAMS_4 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4)
#define VT_WORD_PARAMS_5 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                          gateway_word w5)
#define VT_WORD_PARAMS_6 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                          gateway_word w5, gateway_word w6)
#define VT_WORD_PARAMS_7 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                          gateway_word w5, gateway_word w6, gateway_word w7)
#define VT_WORD_PARAMS_8 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                          gateway_word w5, gateway_word w6, gateway_word w7, gateway_word w8)
#define VT_WORD_PARAMS_9 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                          gateway_word w5, gateway_word w6, gateway_word w7, gateway_word w8, \
                          gateway_word w9)
#define VT_WORD_PARAMS_10 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                           gateway_word w5, gateway_word w6, gateway_word w7, gateway_word w8, \
                           gateway_word w9, gateway_word w10)
#define VT_WORD_PARAMS_11 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                           gateway_word w5, gateway_word w6, gateway_word w7, gateway_word w8, \
                           gateway_word w9, gateway_word w10, gateway_word w11)
#define VT_WORD_PARAMS_12 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                           gateway_word w5, gateway_word w6, gateway_word w7, gateway_word w8, \
                           gateway_word w9, gateway_word w10, gateway_word w11, gateway_word w12)
#define VT_WORD_PARAMS_13 (gateway_word w1, gateway_word w2, gateway_word w3, gateway_word w4, \
                           gateway_word w5, gateway_word w6, gateway_word w7, gateway_word w8, \
                           gateway_word w9, gateway_word w10, gateway_word w11, gateway_word w12, \
                           gateway_word w13)

#define VT_WORD_NAMES_0 ()
#define VT_WORD_NAMES_1 (w1)
#define VT_WORD_NAMES_2 (w1, w2)
#define VT_WORD_NAMES_3 (w1, w2, w3)
#define VT_WORD_NAMES_4 (w1, w2, w3, w4)
#define VT_WORD_NAMES_5 (w1, w2, w3, w4, w5)
#define VT_WORD_NAMES_6 (w1, w2, w3, w4, w5, w6)
#define VT_WORD_NAMES_7 (w1, w2, w3, w4, w5, w6, w7)
#define VT_WORD_NAMES_8 (w1, w2, w3, w4, w5, w6, w7, w8)
#define VT_WORD_NAMES_9 (w1, w2, w3, w4, w5, w6, w7, w8, w9)
#define VT_WORD_NAMES_10 (w1, w2, w3, w4, w5, w6, w7, w8, w9, w10)
#define VT_WORD_NAMES_11 (w1, w2, w3, w4, w5, w6, w7, w8, w9, w10, w11)
#define VT_WORD_NAMES_12 (w1, w2, w3, w4, w5, w6, w7, w8, w9, w10, w11, w12)
#define VT_WORD_NAMES_13 (w1, w2, w3, w4, w5, w6, w7, w8, w9, w10, w11, w12, w13)

// clang-format off
#define VT_GATEWAY_MEMBERS(X) \
    /* The members the frame and the bridge call. */ \
    X(ProMenubarMenuAdd, "ProMenubarMenuAdd_v", VT_PROTO((const char* menu, const char* label_key, const char* neighbour, int add_after, const char16_t* message_file), (menu, label_key, neighbour, add_after, message_file)), int, -1, text, handle, nullptr) \
    X(ProMenubarmenuMenuAdd, "ProMenubarmenuMenuAdd_v", VT_PROTO((const char* parent, const char* menu, const char* label_key, const char* neighbour, int add_after, const char16_t* message_file), (parent, menu, label_key, neighbour, add_after, message_file)), int, -1, text, handle, nullptr) \
    X(ProMenubarmenuPushbuttonAdd, "ProMenubarmenuPushbuttonAdd_v", VT_PROTO((const char* parent, const char* button, const char* label_key, const char* help_key, const char* neighbour, int add_after, int command_id, const char16_t* message_file), (parent, button, label_key, help_key, neighbour, add_after, command_id, message_file)), int, -1, text, handle, nullptr) \
    X(ProCmdActionAdd, "ProCmdActionAdd_v", VT_PROTO((const char* action, command_action fn, int priority, command_access access, int non_active_ok, int accessory_ok, int* command_id), (action, fn, priority, access, non_active_ok, accessory_ok, command_id)), int, -1, none, handle, nullptr) \
    X(ProCmdDesignate, "ProCmdDesignate_v", VT_PROTO((int command_id, const char* label_key, const char* help_key, const char* description_key, const char16_t* message_file), (command_id, label_key, help_key, description_key, message_file)), int, -1, text, handle, nullptr) \
    X(ProCmdIconSet, "ProCmdIconSet_v", VT_PROTO((int command_id, const char* icon_file), (command_id, icon_file)), int, -1, resource, handle, nullptr) \
    X(ProNotificationSet, "ProNotificationSet_v", VT_PROTO((int type, notify_hook hook), (type, hook)), int, -1, none, handle, nullptr) \
    X(ProCmdCmdIdFind, "ProCmdCmdIdFind_v", VT_PROTO((const char* command_name, int* command_id), (command_name, command_id)), int, -1, none, handle, nullptr) \
    X(ProCmdBracketFuncAdd, "ProCmdBracketFuncAdd_v", VT_PROTO((int command_id, command_bracket fn, const char* fn_name, void* data), (command_id, fn, fn_name, data)), int, -1, none, handle, nullptr) \
    X(ProMdlCurrentGet, "ProMdlCurrentGet_v", VT_PROTO((void** model), (model)), int, -1, none, handle, nullptr) \
    X(ProMdlDataGet, "ProMdlDataGet_v", VT_PROTO((void* model, model_record* data), (model, data)), int, -1, none, handle, nullptr) \
    X(prodev_pass_version_info, "prodev_pass_version_info_v", VT_PROTO((int frame_version), (frame_version)), int, -1, none, handle, nullptr) \
    X(ProEngineerDisplayversionGet, "ProEngineerDisplayversionGet_v", VT_PROTO((char** display_version), (display_version)), int, -1, none, handle, nullptr) \
    /* Members with an appended directory. */ \
    X(ProMessageDisplay, "ProMessageDisplay_v", VT_WORDS(12), int, -1, text, handle, nullptr) \
    X(ProMessageToBuffer, "ProMessageToBuffer_v", VT_WORDS(13), int, -1, text, handle, nullptr) \
    X(ProMenubarmenuChkbuttonAdd, "ProMenubarmenuChkbuttonAdd_v", VT_WORDS(8), int, -1, text, handle, nullptr) \
    X(ProMenubarmenuRadiogrpAdd, "ProMenubarmenuRadiogrpAdd_v", VT_WORDS(10), int, -1, text, handle, nullptr) \
    X(ProMenuFileRegister, "ProMenuFileRegister_v", VT_WORDS(3), int, -1, menus, handle, nullptr) \
    X(ProMenuAuxfileRegister, "ProMenuAuxfileRegister_v", VT_WORDS(3), int, -1, menus, handle, nullptr) \
    /* Members without a result. */ \
    X(ProGraphicsPenPosition, "ProGraphicsPenPosition_v", VT_WORDS(1), void, 0, none, handle, nullptr) \
    X(ProGraphicsLineDraw, "ProGraphicsLineDraw_v", VT_WORDS(1), void, 0, none, handle, nullptr) \
    X(ProTextFontDefaultIdGet, "ProTextFontDefaultIdGet_v", VT_WORDS(1), void, 0, none, handle, nullptr) \
    X(ProFeatinputFreeAllElems, "ProFeatinputFreeAllElems_v", VT_WORDS(1), void, 0, none, handle, nullptr) \
    X(ProToolinputFreeAllElems, "ProToolinputFreeAllElems_v", VT_WORDS(1), void, 0, none, handle, nullptr) \
    X(ProGraphicsPolylineDraw, "ProGraphicsPolylineDraw_v", VT_WORDS(2), void, 0, none, handle, nullptr) \
    X(ProGraphicsMultiPolylinesDraw, "ProGraphicsMultiPolylinesDraw_v", VT_WORDS(3), void, 0, none, handle, nullptr) \
    X(ProGraphicsCircleDraw, "ProGraphicsCircleDraw_v", VT_WORDS(3), void, 0, none, handle, nullptr) \
    X(ProMessageClear, "ProMessageClear_v", VT_WORDS(0), void, 0, none, handle, nullptr) \
    /* Members with their own failure value, table name, lead or follow-up. */ \
    X(ProIsPTModeler, "ProIsPTModeler_v", VT_WORDS(0), int, 0, none, handle, nullptr) \
    X(ProValueAlloc, "ProValueAlloc_v", VT_WORDS(1), int, -11, none, handle, nullptr) \
    X(ProArrayFree, "ProArrayFree_v", VT_WORDS(1), int, -1, none, handle, nullptr) \
    X(ProGtolleadersFree, "ProGtolleadersFree_v", VT_WORDS(1), int, -1, none, handle, ProArrayFree) \
    X(ProAppfeatureTypeGet, "ProAppfeatureTypeGet", VT_WORDS(2), int, -1, none, handle, nullptr) \
    X(pro_term_plus, "pro_term_plus", VT_WORDS(1), int, -1, none, alone, nullptr)
// clang-format on

#endif
