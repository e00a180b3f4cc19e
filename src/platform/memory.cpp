#include "platform/memory.h"

#include <malloc.h>

void shareOneHeap() { mallopt(M_ARENA_MAX, 1); }

void returnFreeMemory() { malloc_trim(0); }
