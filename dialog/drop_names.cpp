#include "drop_names.h"

bool AppendDroppedName(std::string& joined, const std::string& name) {
  if (joined.size() + name.size() + 1 > kDropBufferSize) return false;
  joined += name;
  return true;
}
