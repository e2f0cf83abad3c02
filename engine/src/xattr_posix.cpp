#include "xattr_posix.h"

// Linux's calls: other systems name and shape them differently (and macOS
// and the BSDs keep ACLs apart from them), so there the attributes are not
// copied.
#ifdef __linux__

#include <errno.h>
#include <sys/types.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cstring>
#include <string>
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

constexpr char kCapabilities[] = "security.capability";

// The names in a list from flistxattr.
std::vector<std::string> Names(const std::vector<char>& list) {
  std::vector<std::string> names;
  for (std::size_t at = 0; at < list.size(); at += std::strlen(&list[at]) + 1)
    names.emplace_back(&list[at]);
  return names;
}

// Reads the list of attribute names of `fd`; false with errno set.
bool List(int fd, std::vector<std::string>* names) {
  std::vector<char> list;
  if (!ReadSized([fd](char* out, std::size_t size) { return ::flistxattr(fd, out, size); }, &list))
    return false;
  *names = Names(list);
  return true;
}

// Copies one attribute; 0, or the system's error. One gone meanwhile is skipped.
int CopyOne(int from, int to, const std::string& name) {
  std::vector<char> value;
  if (!ReadSized([from, &name](char* out, std::size_t size) {
        return ::fgetxattr(from, name.c_str(), out, size);
      }, &value))
    return errno == ENODATA ? 0 : errno;
  return ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) == 0 ? 0 : errno;
}

}  // namespace

int CopyExtendedAttributes(int from, int to) {
  std::vector<std::string> kept, inherited;
  if (!List(from, &kept)) return errno == ENOTSUP ? 0 : errno;
  if (!List(to, &inherited)) return errno == ENOTSUP ? 0 : errno;
  for (const std::string& name : inherited) {
    if (std::find(kept.begin(), kept.end(), name) != kept.end()) continue;
    if (::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA) return errno;
  }
  for (const std::string& name : kept) {
    if (name == kCapabilities) continue;
    if (int error = CopyOne(from, to, name)) return error;
  }
  return 0;
}

int CopyCapabilities(int from, int to) {
  std::vector<std::string> names;
  if (!List(from, &names)) return errno == ENOTSUP ? 0 : errno;
  if (std::find(names.begin(), names.end(), kCapabilities) == names.end()) return 0;
  return CopyOne(from, to, kCapabilities);
}

}  // namespace quenlo

#else

namespace quenlo {

int CopyExtendedAttributes(int, int) { return 0; }
int CopyCapabilities(int, int) { return 0; }

}  // namespace quenlo

#endif
