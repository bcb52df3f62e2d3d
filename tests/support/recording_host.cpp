// Recording stand-in for the host's function table: the shared call record and the table store.
#include "tests/support/recording_host.h"

#include <cstring>

#include "frame/gateway.h"

namespace recording_host {

std::vector<Call> calls;
std::map<std::string, std::function<int(const Call&)>> behaviour;

static std::vector<host_function_pair> installed;

void reset() {
    calls.clear();
    behaviour.clear();
}

void install(std::vector<host_function_pair> pairs) {
    std::sort(pairs.begin(), pairs.end(), [](const host_function_pair& a, const host_function_pair& b) {
        return std::strcmp(a.name, b.name) < 0;
    });
    installed = std::move(pairs);
    gateway_install_table(installed.data(), static_cast<int>(installed.size()));
}

int answer(Call&& call) {
    calls.push_back(call);
    auto found = behaviour.find(call.name);
    return found != behaviour.end() ? found->second(call) : 0;
}

}  // namespace recording_host
