// Finding the files a run was given: named files, folders walked below
// their handles, and on Windows the matches of a pattern.
#ifndef QUENLO_WALK_H_
#define QUENLO_WALK_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "status.h"

namespace quenlo {

// What tells one file or folder from another.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t id = 0;

  bool operator==(const FileId& other) const { return volume == other.volume && id == other.id; }
  bool operator<(const FileId& other) const {
    return volume != other.volume ? volume < other.volume : id < other.id;
  }
};

enum class EntryKind { kMissing, kFile, kFolder, kOther };

// What a name given is, a link followed as for a named file, and its identity.
EntryKind Identify(const std::string& name, FileId* id);

// True when the last part of `name` is a pattern this platform expands
// (only Windows: no shell there expands one).
bool IsPattern(const std::string& name);

// The regular files the pattern's last part matches, neither hidden nor
// system, sorted by name; each joined to the pattern's folder.
std::vector<std::string> Matches(const std::string& pattern);

class WalkVisitor {
 public:
  virtual ~WalkVisitor() = default;
  // A regular file; `shared` when it has more names than this one, so only
  // its identity tells whether it came up before. False stops the walk.
  virtual bool File(const std::string& name, const FileId& id, bool shared) = 0;
  // A folder about to be entered; false skips it (walked already).
  virtual bool Enter(const FileId& id) = 0;
  // The regular files a folder's listing holds, before they are visited.
  virtual void Listed(std::size_t files) = 0;
  // A folder that could not be read. False stops the walk.
  virtual bool Unreadable(const std::string& name, const Status& status) = 0;
};

// Walks the folder `path` depth first, each folder's entries in name order.
// Skips names starting with ".", hidden and system entries on Windows,
// links, junctions and anything neither a regular file nor a folder, and the
// conversion's own work files and set-aside backups. Every folder below
// `path` is opened relative to its parent's handle with no link followed.
// False when the visitor stopped it.
bool WalkFolder(const std::string& path, WalkVisitor& visitor);

}  // namespace quenlo

#endif  // QUENLO_WALK_H_
