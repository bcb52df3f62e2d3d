/* A text header that includes memory, the layer below it: allowed. */
#include "memory/memory.h"
#include "text/text.h"
