// A recording stand-in for the host's function table, for tests that go through the gateway.
//
// Each host function is an instance of host_fn<"Name_v", R, Args...>, with exactly the
// parameter types the gateway passes (the application handle included).  It records its name
// and every argument as a word, then answers through the behaviour set for its name (0 when none
// is set).  install() sorts the pairs bytewise by name, as the host does, and hands them to the
// gateway.
//
//   recording_host::install({recording_host::typed<"ProMdlCurrentGet_v", int, int, void**>(),
//                            recording_host::words<"ProMessageDisplay_v", int, 12,
//                                                  recording_host::handle_first_dir_last>()});
//   recording_host::behaviour["ProMdlCurrentGet_v"] = [](const recording_host::Call&) { return 3; };
//
// Forwarding entries cache the first function they find for the rest of the process, so tests
// that need an empty cache run in a child process (tests/support/child.h).
#ifndef VT_TEST_RECORDING_HOST_H
#define VT_TEST_RECORDING_HOST_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "frame/vt_types.h"

namespace recording_host {

template <std::size_t N>
struct fixed_name {
    char text[N];
    constexpr fixed_name(const char (&name)[N]) {
        for (std::size_t i = 0; i < N; ++i) text[i] = name[i];
    }
};

struct Call {
    std::string name;
    std::vector<intptr_t> words;  // every argument the host function received, in order
};

extern std::vector<Call> calls;
extern std::map<std::string, std::function<int(const Call&)>> behaviour;

// Forgets the calls and behaviours; the installed table stays.
void reset();

// Sorts the pairs bytewise by name and installs them as the gateway's table (kept alive here).
void install(std::vector<host_function_pair> pairs);

template <typename T>
intptr_t to_word(T value) {
    if constexpr (std::is_pointer_v<T>) return reinterpret_cast<intptr_t>(value);
    else return static_cast<intptr_t>(value);
}

int answer(Call&& call);

template <fixed_name Name, typename R, typename... Args>
R host_fn(Args... args) {
    int result = answer(Call{Name.text, {to_word(args)...}});
    if constexpr (!std::is_void_v<R>) return static_cast<R>(result);
}

// A pair for a host function of the given result and parameter types.
template <fixed_name Name, typename R, typename... Args>
host_function_pair typed() {
    return {reinterpret_cast<host_function>(&host_fn<Name, R, Args...>), Name.text};
}

template <std::size_t>
using word = gateway_word;

enum Shape { handle_first, handle_first_dir_last, words_only };

template <fixed_name Name, typename R, Shape S, std::size_t... I>
host_function_pair words_impl(std::index_sequence<I...>) {
    if constexpr (S == handle_first) return typed<Name, R, int, word<I>...>();
    else if constexpr (S == handle_first_dir_last) return typed<Name, R, int, word<I>..., const char*>();
    else return typed<Name, R, word<I>...>();
}

// A pair for a host function taking N gateway words in the given shape.
template <fixed_name Name, typename R, std::size_t N, Shape S = handle_first>
host_function_pair words() {
    return words_impl<Name, R, S>(std::make_index_sequence<N>());
}

}  // namespace recording_host

#endif
