// Compiled into each program with its own QUORLIN_SERVICE_URL.
#include "app/link_resolver.h"

namespace quorlin {
const char* const ServiceBaseAddress = QUORLIN_SERVICE_URL;
}
