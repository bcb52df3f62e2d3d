/* A file of the simulator that includes its checker: against the layer order. */
#include "host/check/check.h"
