/* The host function gateway.
 *
 * The gateway context holds what start-up hands over: the application handle, the host's sorted
 * function table and the three directories that some members append.  host_function_lookup
 * finds a function by name by halving the table.  Every forwarding entry is generated from the
 * member list (gateway_members.h) through one template, forward(): it looks the host's name up
 * on first use, caches the pointer and calls the host function with the application handle in
 * front of the caller's words and the appended directory behind them. */
#include "frame/gateway.h"

#include <string.h>

#include <type_traits>

#include "frame/report.h"

namespace {

struct gateway_context {
    int app_handle;                          /* put in front of every host call */
    const host_function_pair* table;         /* the host's pairs, sorted bytewise by name */
    int count;                               /* number of pairs */
    char text_dir[GATEWAY_DIR_SIZE];         /* appended to the text-directory members */
    char menus_dir[GATEWAY_DIR_SIZE];        /* appended to the menus-directory members */
    char resource_dir[GATEWAY_DIR_SIZE];     /* appended to the resource-directory member */
};

gateway_context context;

/* One forwarding entry's cache: empty until its first successful lookup, then never changed. */
struct entry_cache {
    const char* table_name;
    host_function function;
};

enum class gateway_dir { none, text, menus, resource };
enum class gateway_lead { handle, alone };

template <gateway_dir D>
const char* appended_dir() {
    if constexpr (D == gateway_dir::text) return text_dir_get();
    else if constexpr (D == gateway_dir::menus) return menus_dir_get();
    else if constexpr (D == gateway_dir::resource) return resource_dir_get();
    else return nullptr;
}

template <typename R, gateway_dir D, gateway_lead L, typename... Args>
R call_host(host_function function, const char* dir, Args... args) {
    static_assert(L == gateway_lead::handle || D == gateway_dir::none,
                  "a member without the application handle appends no directory");
    if constexpr (L == gateway_lead::alone) {
        return reinterpret_cast<R(VT_CDECL*)(Args...)>(function)(args...);
    } else if constexpr (D == gateway_dir::none) {
        (void)dir;
        return reinterpret_cast<R(VT_CDECL*)(int, Args...)>(function)(context.app_handle, args...);
    } else {
        return reinterpret_cast<R(VT_CDECL*)(int, Args..., const char*)>(function)(context.app_handle,
                                                                          args..., dir);
    }
}

/* The body of every forwarding entry. */
template <entry_cache* E, typename R, auto Failure, gateway_dir D, gateway_lead L, auto Then,
          typename... Args>
R forward(Args... args) {
    const char* dir = appended_dir<D>();
    if (E->function == nullptr) {
        E->function = host_function_lookup(E->table_name);
        if (E->function == nullptr) {
            dbg_err_crash(E->table_name, "couldn't find pointer to ProE-side function");
            if constexpr (std::is_void_v<R>) return;
            else return Failure;
        }
    }
    if constexpr (std::is_null_pointer_v<decltype(Then)>) {
        return call_host<R, D, L>(E->function, dir, args...);
    } else {
        R result = call_host<R, D, L>(E->function, dir, args...);
        if (result != 0) return result;
        return Then(args...);
    }
}

} // namespace

extern "C" {

void gateway_install_handle(int app_handle) { context.app_handle = app_handle; }

void gateway_install_table(const host_function_pair* table, int count) {
    context.table = table;
    context.count = count;
}

/* Halving search.  An equal name moves lo up, never hi down, so the loop ends with lo and hi
 * at most one apart, and lo is tried first. */
host_function host_function_lookup(const char* name) {
    const host_function_pair* table = context.table;
    int n = context.count;
    if (n <= 0 || table == nullptr) return nullptr;
    int lo = 0;
    int hi = n - 1;
    while (lo + 1 < hi) {
        int mid = (lo + hi) / 2;
        if (strcmp(name, table[mid].name) < 0) hi = mid - 1;
        else lo = mid;
    }
    if (strcmp(table[lo].name, name) == 0) return table[lo].function;
    if (strcmp(table[hi].name, name) == 0) return table[hi].function;
    return nullptr;
}

char* text_dir_get(void) { return context.text_dir; }
char* menus_dir_get(void) { return context.menus_dir; }
char* resource_dir_get(void) { return context.resource_dir; }

}

/* The entries keep the C linkage of their declarations in gateway.h. */
#define VT_GATEWAY_DEFINE_(entry, params, names, result, failure, dir, lead, then, table_name)  \
    namespace {                                                                                \
    entry_cache cache_##entry = {table_name, nullptr};                                         \
    }                                                                                          \
    result entry params {                                                                      \
        return forward<&cache_##entry, result, failure, gateway_dir::dir, gateway_lead::lead,  \
                       then> names;                                                            \
    }
#define VT_GATEWAY_DEFINE(entry, table_name, prototype, result, failure, dir, lead, then) \
    VT_GATEWAY_DEFINE_(entry, prototype, result, failure, dir, lead, then, table_name)
VT_GATEWAY_MEMBERS(VT_GATEWAY_DEFINE)
#undef VT_GATEWAY_DEFINE
#undef VT_GATEWAY_DEFINE_
