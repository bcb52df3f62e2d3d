// Start-up and the model event hooks against a minimal in-process host: every host function the
// add-in calls answers at once, so what is timed is the add-in's own work (and the recording
// client-library fake's few calls).
//
// The first start-up of a process also fills every forwarding entry's cache by searching the
// 2,152-name table, and only a fresh process shows that: the "cold" start-up runs in a child
// (vt_bench --vt-child=startup), which times one user_initialize_plus and prints it.
#include <unistd.h>

#include <time.h>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench.h"
#include "bench/host_table.h"
#include "bridge/bridge.h"
#include "module/entry.h"
#include "frame/gateway.h"
#include "pdmclient/vtpdm.h"
#include "support/fake_pdm.h"
#include "text/text.h"

namespace {

using vt_bench::add_pair;
using vt_bench::add_solo;
using vt_bench::goal_kind;
using vt_bench::pair_spec;

model_record& current_model = vt_bench::bench_model();
int next_command_id = 0;
const char* display_version = "Wildfire 2.0";

int menu_add(int, const char*, const char*, const char*, int, const char16_t*, const char*) { return 0; }
int menu_menu_add(int, const char*, const char*, const char*, const char*, int, const char16_t*, const char*) { return 0; }
int pushbutton_add(int, const char*, const char*, const char*, const char*, const char*, int, int, const char16_t*,
                   const char*) {
    return 0;
}
int action_add(int, const char*, command_action, int, command_access, int, int, int* id) {
    *id = ++next_command_id;
    return 0;
}
int designate(int, int, const char*, const char*, const char*, const char16_t*, const char*) { return 0; }
int icon_set(int, int, const char*, const char*) { return 0; }
int notification_set(int, int, notify_hook) { return 0; }
int cmd_id_find(int, const char*, int* id) {
    *id = ++next_command_id;
    return 0;
}
int bracket_add(int, int, command_bracket, const char*, void*) { return 0; }
int mdl_data_get(int, void* model, model_record* data) {
    std::memcpy(data, model, sizeof *data);
    return 0;
}
int pass_version_info(int, int) { return 1; }
int display_version_get(int, char** text) {
    *text = const_cast<char*>(display_version);
    return 0;
}

template <typename F>
host_function as_host(F* function) {
    return reinterpret_cast<host_function>(function);
}

vt_bench::host_table& startup_table() {
    static vt_bench::host_table table({
        {"ProMenubarMenuAdd_v", as_host(menu_add)},
        {"ProMenubarmenuMenuAdd_v", as_host(menu_menu_add)},
        {"ProMenubarmenuPushbuttonAdd_v", as_host(pushbutton_add)},
        {"ProCmdActionAdd_v", as_host(action_add)},
        {"ProCmdDesignate_v", as_host(designate)},
        {"ProCmdIconSet_v", as_host(icon_set)},
        {"ProNotificationSet_v", as_host(notification_set)},
        {"ProCmdCmdIdFind_v", as_host(cmd_id_find)},
        {"ProCmdBracketFuncAdd_v", as_host(bracket_add)},
        {"ProMdlCurrentGet_v", as_host(vt_bench::host_mdl_current_get)},
        {"ProMdlDataGet_v", as_host(mdl_data_get)},
        {"prodev_pass_version_info_v", as_host(pass_version_info)},
        {"ProEngineerDisplayversionGet_v", as_host(display_version_get)},
    });
    return table;
}

/* The host's start-up call: release 26, build 2004280 (the frame's own, so the version-stamp walk
 * is not needed), English, an application directory without a text tree. */
int start_up() {
    static char16_t error_buffer[512];
    vt_bench::host_table& table = startup_table();
    return user_initialize_plus(0, nullptr, "26", "2004280", 0, error_buffer, "/nonexistent/vt-bench-app",
                                u"vt_vexo", "vt_vexo", 7, 0, table.pairs.data(), static_cast<int>(table.pairs.size()), 0);
}

/* CPU time of the process, as every other figure of the table: a child that the loaded machine
 * deschedules in the middle of its start-up is not charged for the wait. */
double cpu_seconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

/* Touches every page of the program's own mappings, so that the first start-up finds its code
 * and data paged in: the page-in is the operating system's work on loading a module, not the
 * add-in's. */
void page_in_program() {
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (maps == nullptr) return;
    char self[4096] = {0};
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::fclose(maps);
        return;
    }
    char line[4096 + 128];
    volatile unsigned char sink = 0;
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        unsigned long from = 0, to = 0;
        char perms[8] = {0};
        if (std::sscanf(line, "%lx-%lx %7s", &from, &to, perms) != 3 || perms[0] != 'r') continue;
        if (std::strstr(line, self) == nullptr) continue;
        for (unsigned long at = from; at < to; at += 4096) sink = sink + *reinterpret_cast<const unsigned char*>(at);
    }
    std::fclose(maps);
}

/* The CPU time of one start-up, in seconds; negative when it failed. */
double time_start_up() {
    double start = cpu_seconds();
    int status = start_up();
    double took = cpu_seconds() - start;
    return status == 0 ? took : -1;
}

/* The first start-up of the process, then WARM_START_UPS more in the same process (the entries
 * cached, the heap and the data touched), of which the fastest is the warm figure: the same calls
 * on the same machine in the same process, against which the first one is judged. */
constexpr int WARM_START_UPS = 3;

int timed_start_up(bool paged_in) {
    startup_table();
    if (paged_in) page_in_program();
    double cold = time_start_up();
    if (cold < 0) return 1;
    double warm = 0;
    for (int i = 0; i < WARM_START_UPS; ++i) {
        fake_pdm::calls.clear();
        double again = time_start_up();
        if (again < 0) return 1;
        if (i == 0 || again < warm) warm = again;
    }
    std::printf("\nstartup %.3f warm %.3f\n", cold * 1e6, warm * 1e6);
    return 0;
}

}  // namespace

/* In a fresh process: the table is built first, then one start-up is timed and the same calls
 * again; prints both in microseconds on the last line. */
VT_BENCH_CHILD(startup) { return timed_start_up(true); }
VT_BENCH_CHILD(startup_unpaged) { return timed_start_up(false); }

namespace {

constexpr double STARTUP_OVER_WARM = 16;

void startup_pairs() {
    for (bool paged_in : {true, false}) {
        const std::string command = "/proc/" + std::to_string(getpid()) + "/exe --vt-child=" +
                                    (paged_in ? "startup" : "startup_unpaged");
        pair_spec spec{paged_in ? "startup_cold" : "startup_unpaged",
                       paged_in ? "start-up: user_initialize_plus, first in a process (full menu registration)"
                                : "start-up: the same, module pages not yet touched",
                       "1 start-up", {}, 0,
                       paged_in ? "includes the first look-up of each forwarding entry; base: the same calls again in the same process"
                                : "adds the operating system's first page-in of the module; base: the same calls again in the same process"};
        spec.base_name = "warm start-up";
        spec.has_base = true;   /* reported by ours from each child (report_side) */
        /* The first start-up of a process pays what the later ones need not: the first look-up
         * of each forwarding entry in the 2,152 names, the first touch of the heap's pages and
         * of the data, cold caches.  It measured 5-9 times the same calls made again in the same
         * process; STARTUP_OVER_WARM (16) leaves room for a machine whose page faults cost more
         * against its clock (a virtual one) and fails a start-up whose first-time work doubled. */
        if (paged_in) spec.target = {goal_kind::ours_over_base, STARTUP_OVER_WARM};
        add_solo(spec,
                 [command](benchmark::State& state) {
                     double warm_total = 0;
                     for (auto _ : state) {
                         std::string out = vt_bench::output_of(command);
                         size_t at = out.rfind("startup "), warm_at = out.rfind(" warm ");
                         if (at == std::string::npos || warm_at == std::string::npos || warm_at < at) {
                             state.SkipWithError("the start-up child failed");
                             break;
                         }
                         state.SetIterationTime(std::atof(out.c_str() + at + 8) / 1e6);
                         warm_total += std::atof(out.c_str() + warm_at + 6) * 1e3;
                     }
                     vt_bench::report_side(state, "base", warm_total);
                 },
                 [](benchmark::internal::Benchmark* bench) { bench->UseManualTime()->Iterations(20); });
    }
    add_solo({"startup_warm", "start-up: user_initialize_plus again, entries cached", "1 start-up", {}, 0, ""},
             [](benchmark::State& state) {
                 vt_bench::require(start_up() == 0, "user_initialize_plus succeeds against the minimal host");
                 for (auto _ : state) {
                     fake_pdm::calls.clear();
                     benchmark::DoNotOptimize(start_up());
                 }
             });
}

/* The floor of a hook: the steps every hook must take, written out plainly.  Each field of the
 * host's record is copied up to its length or its terminator (the host need not terminate it),
 * converted with wstostr, and the two texts are joined around a full stop when they fit. */
int plain_key(const model_record* model, char* key) {
    char name[80 * 4 + 1], type[4 * 4 + 1];
    char16_t wide[81];
    int n = 0;
    while (n < 80 && model->name[n] != 0) wide[n] = model->name[n], ++n;
    wide[n] = 0;
    wstostr(name, wide);
    n = 0;
    while (n < 4 && model->type[n] != 0) wide[n] = model->type[n], ++n;
    wide[n] = 0;
    wstostr(type, wide);
    size_t name_length = std::strlen(name), type_length = std::strlen(type);
    if (name_length + 1 + type_length > 255) return -1;
    std::memcpy(key, name, name_length);
    key[name_length] = '.';
    std::memcpy(key + name_length + 1, type, type_length + 1);
    return 0;
}

/* The steps of the hooks that ask the host: the current model, its record cleared and filled. */
int plain_current_record(model_record* record) {
    void* model = nullptr;
    if (ProMdlCurrentGet(&model) != 0) return 1;
    std::memset(record, 0, sizeof *record);
    return ProMdlDataGet(model, record) != 0 ? -1 : 0;
}

/* Each floor ends as the hooks do, with a test of the recording flag (never set). */
int plain_after_open(model_record* model, int (*call)(const char*)) {
    char key[256];
    int answer = 0;
    if (plain_key(model, key) == 0) answer = call(key);
    if (vt_bench::plain_record_flag) vt_bench::plain_record_note(key, answer);
    return 0;
}

int plain_from_host(int (*call)(const char*)) {
    model_record record;
    char key[256];
    int answer = 0;
    if (plain_current_record(&record) == 0 && plain_key(&record, key) == 0) answer = call(key);
    if (vt_bench::plain_record_flag) vt_bench::plain_record_note(key, answer);
    return answer;
}

__attribute__((noinline)) int plain_before_close() {
    int answer = BeforeClose("");
    if (vt_bench::plain_record_flag) vt_bench::plain_record_note("", answer);
    return 0;
}

/* Times a hook (or its floor) against the minimal host, English, after checking that it makes
 * the client-library call `call`. */
void run_hook(benchmark::State& state, int (*hook)(), const char* call) {
    gateway_install_handle(7);
    gateway_install_table(startup_table().pairs.data(), static_cast<int>(startup_table().pairs.size()));
    lang_set(0);
    fake_pdm::reset();
    hook();
    vt_bench::require(fake_pdm::calls.size() == 1 && fake_pdm::calls.back() == call,
                      "the hook makes the client-library call of the peer");
    vt_bench::time_counted(state, hook, 1);
}

/* Each hook against the client-library call it ends in, made directly with the key ready. */
void hook_pairs() {
    struct hook {
        const char* id;
        const char* label;
        int (*ours)();
        int (*peer)();
        const char* call;     /* the client-library call the hook ends in */
        int (*floor)();       /* the hook's steps written plainly */
    };
    static const hook hooks[] = {
        {"hook_after_open", "VTNotifyAfterOpen (type 19) vs AfterOpen(key)",
         [] { return VTNotifyAfterOpen(&current_model); }, [] { return AfterOpen("PUMP_HOUSING.PRT"); }, "AfterOpen(PUMP_HOUSING.PRT)",
         [] { return plain_after_open(&current_model, AfterOpen); }},
        {"hook_before_save", "VTNotifyBeforeSave (type 1) vs BeforeSave(key)", [] { return VTNotifyBeforeSave(); },
         [] { return BeforeSave("PUMP_HOUSING.PRT"); }, "BeforeSave(PUMP_HOUSING.PRT)", [] { return plain_from_host(BeforeSave); }},
        {"hook_before_close", "VTNotifyBeforeClose (type 9) vs BeforeClose(empty key)", [] { return VTNotifyBeforeClose(); },
         [] { return BeforeClose(""); }, "BeforeClose()", [] { return plain_before_close(); }},
        {"hook_after_close", "VTNotifyAfterClose (type 11) vs AfterClose(key)",
         [] { return VTNotifyAfterClose(&current_model); }, [] { return AfterClose("PUMP_HOUSING.PRT"); }, "AfterClose(PUMP_HOUSING.PRT)",
         [] { return plain_after_open(&current_model, AfterClose); }},
        {"hook_switch", "VTNotifySwitchDocument (type 24) vs SwitchDocument(key)",
         [] { return VTNotifySwitchDocument(); }, [] { return SwitchDocument("PUMP_HOUSING.PRT"); }, "SwitchDocument(PUMP_HOUSING.PRT)",
         [] { return plain_from_host(SwitchDocument); }},
    };
    /* A hook's own time is what it adds to the client-library call it ends in (the peer); its
     * floor's own time is what the same steps written plainly add to it.  The hook may take up to
     * 1.3 times that, the bound of every floor (FLOOR_BOUND).  VTNotifyBeforeClose adds about a
     * nanosecond, too little to measure as the difference of two times of 2-3 ns: it is judged
     * whole against its floor, within the same bound. */
    for (const hook& h : hooks) {
        bool whole = std::strcmp(h.id, "hook_before_close") == 0;
        vt_bench::goal target = {whole ? goal_kind::ours_over_floor : goal_kind::own_time_over_floor, vt_bench::FLOOR_BOUND};
        add_pair({h.id, h.label, "1 event", target, 0,
                  !whole
                      ? "the peer is the client-library call alone; floor: the hook's steps written plainly (host "
                        "record cleared and filled where the hook asks the host, bounded copies, two conversions, the "
                        "key joined, the call, the recording flag tested)"
                      : "the peer is the client-library call alone; floor: the call with the empty key and the "
                        "recording flag tested, as a function"},
                 [&h](benchmark::State& state) { run_hook(state, h.ours, h.call); },
                 [&h](benchmark::State& state) { vt_bench::time_counted(state, h.peer, 1); },
                 [&h](benchmark::State& state) { run_hook(state, h.floor, h.call); });
    }
}

}  // namespace

VT_BENCH_PAIRS(startup) {
    startup_pairs();
    hook_pairs();
}
