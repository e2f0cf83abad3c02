#include "xattr_posix.h"

// Linux's calls: other systems name and shape them differently (and macOS
// and the BSDs keep ACLs apart from them), so there the attributes are not
// copied.
#ifdef __linux__

#include <errno.h>
#include <sys/types.h>
#include <sys/xattr.h>

#include <cstring>
#include <vector>

namespace quenlo {

namespace {

// Attribute lists and values are small; they are read into vectors sized by
// a first call, and again if they grew in between.
template <typename Call>
bool ReadSized(Call call, std::vector<char>* buffer) {
  for (int round = 0; round < 4; ++round) {
    ssize_t size = call(nullptr, 0);
    if (size < 0) return false;
    buffer->resize(static_cast<std::size_t>(size));
    if (size == 0) return true;
    ssize_t got = call(buffer->data(), buffer->size());
    if (got >= 0) {
      buffer->resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

}  // namespace

int CopyExtendedAttributes(int from, int to) {
  std::vector<char> names;
  if (!ReadSized([from](char* out, std::size_t size) { return ::flistxattr(from, out, size); },
                 &names))
    return errno == ENOTSUP ? 0 : errno;
  std::vector<char> value;
  for (std::size_t at = 0; at < names.size(); at += std::strlen(&names[at]) + 1) {
    const char* name = &names[at];
    if (!ReadSized([from, name](char* out, std::size_t size) {
          return ::fgetxattr(from, name, out, size);
        }, &value)) {
      // Gone since the list was read.
      if (errno == ENODATA) continue;
      return errno;
    }
    if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0) return errno;
  }
  return 0;
}

}  // namespace quenlo

#else

namespace quenlo {

int CopyExtendedAttributes(int, int) { return 0; }

}  // namespace quenlo

#endif
