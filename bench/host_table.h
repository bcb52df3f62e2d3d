// A host function table shaped like the host's: 2,152 names of the form Pro<Object><Action>_v,
// sorted bytewise, with the given functions among them under their own names; every other name
// leads to a function that does nothing.
#ifndef VT_BENCH_HOST_TABLE_H
#define VT_BENCH_HOST_TABLE_H

#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frame/vt_types.h"

namespace vt_bench {

constexpr int HOST_TABLE_SIZE = 2152;   // the host's function list of this release

inline void host_does_nothing() {}

// The model every benchmark host hands out, and its ProMdlCurrentGet: one function for every
// table, since a forwarding entry keeps the first function it finds for the rest of the process.
inline model_record& bench_model() {
    static model_record model = {u"PUMP_HOUSING", u"PRT"};
    return model;
}
__attribute__((noinline)) inline int host_mdl_current_get(int, void** model) {
    *model = &bench_model();
    return 0;
}

// The recording flag of the floors, never set: a floor of a hook or handler tests it after its
// work as the recorder's flag is tested, and would note the call through plain_record_note.
inline int plain_record_flag = 0;
__attribute__((noinline)) inline void plain_record_note(const char* argument, int answer) {
    asm volatile("" : : "r"(argument), "r"(answer) : "memory");
}

struct host_table {
    std::vector<std::string> names;
    std::vector<host_function_pair> pairs;

    explicit host_table(const std::map<std::string, host_function>& functions = {}) {
        static const char* objects[] = {"Mdl", "Feature", "Solid", "Part", "Asm", "Drawing", "Cmd", "Menubar",
                                        "Menubarmenu", "Notification", "Surface", "Edge", "Curve", "Point",
                                        "Axis", "Csys", "Dimension", "Parameter", "Layer", "Window", "View",
                                        "Selection", "Message", "Graphics", "Note", "Gtol", "Table", "Sheet",
                                        "Value", "Array", "Element", "Feattype", "Family", "Sketch", "Section",
                                        "Mechanism", "Relation", "Quilt", "Contour", "Xsec", "Udf", "Util"};
        static const char* actions[] = {"Get", "Set", "Create", "Delete", "Find", "Visit", "Init", "Free",
                                        "Add", "Remove", "Copy", "Display", "Erase", "Rename", "Save",
                                        "Retrieve", "Regenerate", "Verify", "Alloc", "Filter", "Count",
                                        "IdGet", "NameGet", "TypeGet", "DataGet", "CurrentGet", "Modify",
                                        "Export", "Import", "Update", "Clear", "Select", "Highlight",
                                        "Unhighlight", "Compare", "Redefine", "Reorder", "Suppress",
                                        "Resume", "Activate", "Designate", "IconSet", "ActionAdd", "MenuAdd",
                                        "PushbuttonAdd", "CmdIdFind", "BracketFuncAdd", "Is", "Exist",
                                        "Load", "Unload", "Draw"};
        std::set<std::string> unique;
        for (const auto& entry : functions) unique.insert(entry.first);
        for (const char* object : objects)
            for (const char* action : actions) {
                if (static_cast<int>(unique.size()) == HOST_TABLE_SIZE) break;
                unique.insert(std::string("Pro") + object + action + "_v");
            }
        names.assign(unique.begin(), unique.end());
        for (const std::string& name : names) {
            auto found = functions.find(name);
            pairs.push_back({found != functions.end() ? found->second : &host_does_nothing, nullptr});
        }
        for (size_t i = 0; i < names.size(); ++i) pairs[i].name = names[i].c_str();
    }
};

}  // namespace vt_bench

#endif
