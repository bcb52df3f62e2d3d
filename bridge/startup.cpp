/* Start-up and exit of the bridge.
 *
 * Between the client library's BeforeInit/Start and its AfterInit the bridge registers the
 * Vantor menu and its commands (menu.cpp), subscribes the model event hooks (hooks.cpp) and
 * attaches the command brackets (brackets.cpp).  A recording, when one is asked for, opens
 * first and hears the start-up answers last; the exit step calls Stop and closes it. */
#include "bridge/bridge.h"
#include "bridge/record.h"
#include "pdmclient/vtpdm.h"

extern "C" {

/* Of the host's start-up arguments only the version and build are read, for a recording's
 * header: the host release is not tested and the error buffer is never written.  Every
 * registration status is ignored; the result is always 0. */
int bridge_initialize(int, char**, const char* version, const char* host_build, char16_t*) {
    record_begin(version, host_build);
    int before_init = BeforeInit();
    int start = Start();
    bridge_register_menu();
    bridge_subscribe_hooks();
    bridge_attach_brackets();
    int after_init = AfterInit();
    record_startup(before_init, start, after_init);
    return 0;
}

int bridge_terminate(void) {
    int answer = Stop();
    record_end(answer);
    return answer;
}

}
