#include "platform/FreedMemory.h"

#include <cstdlib> // defines __GLIBC__ on the C library it names
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace freed_memory {

void giveBack() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace freed_memory
