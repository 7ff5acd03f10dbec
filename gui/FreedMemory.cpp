#include "FreedMemory.h"

#include <malloc.h>

void ReturnFreedMemory() { ::malloc_trim(0); }
