#include "platform/memory.h"

#include <malloc.h>

namespace kesto {

void TrimWorkingSet() {
    ::malloc_trim(0);
}

} // namespace kesto
