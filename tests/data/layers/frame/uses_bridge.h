/* A frame header that reaches up into the bridge: the layer check must refuse it. */
#include "frame/vt_types.h"
#include "bridge/bridge.h"
