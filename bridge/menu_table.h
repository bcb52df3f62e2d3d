/* The Vantor menu as data: the message file, the menu's own label key and the menu items in call
 * order.  The bridge registers the menu from this table; vthost's installation check reads the
 * label and help keys and the icon names from it, so that both always agree on what the menu asks
 * of the text folders.
 *
 * VT_MENU_ITEMS(X) gives one X(parent, item, kind, label, help, action, handler, access,
 * non_active_ok, accessory_ok, icon) per item; the kinds are OWN, BASE, SUBMENU and SEPARATOR
 * (see bridge/menu.cpp), help and icon are nullptr where an item has none.  A user of the names
 * alone drops the kind, handler and access columns, which then need no declarations. */
#ifndef VT_BRIDGE_MENU_TABLE_H
#define VT_BRIDGE_MENU_TABLE_H

#define VT_MENU_MESSAGE_FILE "menu_vt_vexo.txt"
#define VT_MENU_TOP "UserMenuO"
#define VT_MENU_TOP_LABEL "VantorO"
#define VT_MENU_NEIGHBOUR "Applications"

#define VT_MENU_ITEMS(X) \
    X("UserMenuO", "G14", OWN, "g14_label", "g14_help", "G14", VTCmdDocumentData, ModelAccess, 0, 0, "Docdata_g14") \
    X("UserMenuO", "G15", OWN, "g15_label", "g15_help", "G15", VTCmdPartData, ModelAccess, 0, 0, "partdata_g15") \
    X("UserMenuO", "G16", OWN, "g16_label", "g16_help", "G16", VTCmdSaveIntoProject, ModelAccess, 0, 0, "saveintoproject_g16") \
    X("UserMenuO", "G16a", OWN, "g16a_label", "g16a_help", "G16a", VTCmdImportIntoProject, ModelAccess, 0, 0, "import_g16a") \
    X("UserMenuO", "GLABEL0", SEPARATOR, "space_label", "space_help", "UserMenuO", VTCmdNone, AccessAll, 1, 1, nullptr) \
    X("UserMenuO", "G7a", OWN, "g7a_label", "g7a_help", "G7a", VTCmdLogin, AccessAll, 1, 1, "login_g7a") \
    X("UserMenuO", "G7b", OWN, "g7b_label", "g7b_help", "G7b", VTCmdNewEntity, AccessAll, 1, 1, "newent_g7b") \
    X("UserMenuO", "G7c", OWN, "g7c_label", "g7c_help", "G7c", VTCmdPswManager, AccessAll, 1, 1, "pwsmanager_g7c") \
    X("UserMenuO", "G7", OWN, "g7_label", "g7_help", "G7", VTCmdProjectBrowser, AccessAll, 1, 1, "projectbrowser_g7") \
    X("UserMenuO", "G8", OWN, "g8_label", "g8_help", "G8", VTCmdFindArchive, AccessAll, 1, 1, "find_g8") \
    X("UserMenuO", "GLABEL1", SEPARATOR, "space_label", "space_help", "UserMenuO", VTCmdNone, AccessAll, 1, 1, nullptr) \
    X("UserMenuO", "SEL", SUBMENU, "SEL_label", nullptr, "GLABEL1", nullptr, nullptr, 0, 0, nullptr) \
    X("SEL", "G9", BASE, "g9_label", "g9_help", "g9cmd", nullptr, nullptr, 0, 0, "QVdoc_g9") \
    X("SEL", "G10", BASE, "g10_label", "g10_help", "g10cmd", nullptr, nullptr, 0, 0, "QVpart_g10") \
    X("SEL", "G11", BASE, "g11_label", "g11_help", "g11cmd", nullptr, nullptr, 0, 0, "bomview_g11") \
    X("SEL", "GLABEL1A", SEPARATOR, "space2_label", "space2_help", "SEL", VTCmdNone, AccessAll, 1, 1, nullptr) \
    X("SEL", "G12", BASE, "g12_label", "g12_help", "g12cmd", nullptr, nullptr, 0, 0, "dbview_g12") \
    X("SEL", "G13", BASE, "g13_label", "g13_help", "g13cmd", nullptr, nullptr, 0, 0, "bomview_g13") \
    X("UserMenuO", "CRO", SUBMENU, "CRO_label", nullptr, "GLABEL1", nullptr, nullptr, 0, 0, nullptr) \
    X("CRO", "C1", BASE, "c1_label", "c1_help", "c1cmd", nullptr, nullptr, 0, 0, "qvecr_c1") \
    X("CRO", "C2", BASE, "c2_label", "c2_help", "c2cmd", nullptr, nullptr, 0, 0, "newecr_c2") \
    X("CRO", "GLABEL1C", SEPARATOR, "space1_label", "space1_help", "CRO", VTCmdNone, AccessAll, 1, 1, nullptr) \
    X("CRO", "C3", BASE, "c3_label", "c3_help", "c3cmd", nullptr, nullptr, 0, 0, "qveco_c3") \
    X("CRO", "C4", BASE, "c4_label", "c4_help", "c4cmd", nullptr, nullptr, 0, 0, "neweco_c4") \
    X("CRO", "GLABEL2C", SEPARATOR, "space1_label", "space1_help", "CRO", VTCmdNone, AccessAll, 1, 1, nullptr) \
    X("CRO", "C5", BASE, "c5_label", "c5_help", "c5cmd", nullptr, nullptr, 0, 0, "mytasks_c5") \
    X("UserMenuO", "GLABEL2", SEPARATOR, "space_label", "space_help", "UserMenuO", VTCmdNone, AccessAll, 0, 0, nullptr) \
    X("UserMenuO", "GEN", SUBMENU, "GEN_label", nullptr, "GLABEL2", nullptr, nullptr, 0, 0, nullptr) \
    X("GEN", "G4", BASE, "g4_label", "g4_help", "g4cmd", nullptr, nullptr, 0, 0, "hide_g4") \
    X("GEN", "G5", BASE, "g5_label", "g5_help", "g5cmd", nullptr, nullptr, 0, 0, "show_g5") \
    X("UserMenuO", "GLABEL3", SEPARATOR, "space_label", "space_help", "UserMenuO", VTCmdNone, AccessAll, 1, 1, nullptr) \
    X("UserMenuO", "G6o", OWN, "g6o_label", "g6o_help", "G6o", VTCmdOptions, AccessAll, 1, 1, "Option_g6o") \
    X("UserMenuO", "G6", OWN, "g6_label", "g6_help", "G6", VTCmdHelp, AccessAll, 1, 1, "help_g6") \
    X("UserMenuO", "G3", OWN, "g3_label", "g3_help", "G3", VTCmdAbout, AccessAll, 1, 1, "about_g3")

#endif
