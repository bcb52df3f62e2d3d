// Host functions of the tests' own, for the members of the gateway that vthost's host model
// does not serve, or a second function under a name it does: each records its call (name and
// words) on the current host and answers through its `answers` (0 when none is set).
//     other_function<"ProMdlCurrentGet_v", int, int, void**>()
//     word_function<"ProMessageDisplay_v", int, 12, WITH_HANDLE_AND_DIRECTORY>()
#ifndef VT_TEST_OTHER_FUNCTIONS_H
#define VT_TEST_OTHER_FUNCTIONS_H

#include <cstddef>
#include <type_traits>
#include <utility>

#include "host/host_call.h"
#include "host/host_model.h"

namespace vthost {

template <std::size_t N>
struct TableName {
    char text[N];
    constexpr TableName(const char (&name)[N]) {
        for (std::size_t i = 0; i < N; ++i) text[i] = name[i];
    }
};

template <TableName Name, typename R, typename... Args>
R VT_CDECL other_host_function(Args... args) {
    int result = answer_other_call(Name.text, {as_word(args)...});
    if constexpr (!std::is_void_v<R>) return static_cast<R>(result);
}

template <TableName Name, typename R, typename... Args>
host_function_pair other_function() {
    return {reinterpret_cast<host_function>(&other_host_function<Name, R, Args...>), Name.text};
}

enum WordShape { WITH_HANDLE, WITH_HANDLE_AND_DIRECTORY, WORDS_ONLY };

template <std::size_t>
using word_of = gateway_word;

template <TableName Name, typename R, WordShape S, std::size_t... I>
host_function_pair word_function_of(std::index_sequence<I...>) {
    if constexpr (S == WITH_HANDLE) return other_function<Name, R, int, word_of<I>...>();
    else if constexpr (S == WITH_HANDLE_AND_DIRECTORY)
        return other_function<Name, R, int, word_of<I>..., const char*>();
    else return other_function<Name, R, word_of<I>...>();
}

/* A host function taking N gateway words in the given shape. */
template <TableName Name, typename R, std::size_t N, WordShape S = WITH_HANDLE>
host_function_pair word_function() {
    return word_function_of<Name, R, S>(std::make_index_sequence<N>());
}

}  // namespace vthost

#endif
