// The texts of messages.cpp once more, compiled with UTF-8 as the execution
// character set, for terminals whose locale is UTF-8. Its includes come
// first so that those inside messages.cpp add nothing to the namespace.
#include "messages.h"
#include "quenlo/engine.h"
#include "quenlo_version.h"

namespace utf8 {
#include "messages.cpp"
}  // namespace utf8
