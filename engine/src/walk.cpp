#include <string>

#include "walk.h"

namespace quenlo {

bool IsOwnFile(const std::string& base) {
  // The suffixes of the work file and of a backup set aside (convert.cpp).
  auto ends = [&base](const char* suffix) {
    const std::string end = suffix;
    return base.size() >= end.size() && base.compare(base.size() - end.size(), end.size(), end) == 0;
  };
  return ends(".~ql") || ends(".~qb");
}

}  // namespace quenlo
