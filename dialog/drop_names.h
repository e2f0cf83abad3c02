// Joining the names of dropped files into the one text the edit receives.
#ifndef QUENLO32_DROP_NAMES_H_
#define QUENLO32_DROP_NAMES_H_

#include <cstddef>
#include <string>

// Size of the joined text, terminator included.
constexpr std::size_t kDropBufferSize = 260;

// Appends `name` to `joined`, with no separator, when the result still fits
// kDropBufferSize; otherwise leaves `joined` alone and returns false.
bool AppendDroppedName(std::string& joined, const std::string& name);

#endif  // QUENLO32_DROP_NAMES_H_
