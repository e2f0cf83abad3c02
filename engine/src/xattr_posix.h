// Extended attributes, POSIX ACLs among them, where the system has them.
#ifndef QUENLO_XATTR_POSIX_H_
#define QUENLO_XATTR_POSIX_H_

namespace quenlo {

// Makes the extended attributes of the open file `to` those of `from`:
// copies each, file capabilities aside, and removes any `to` has that
// `from` has not (inherited from a directory's default ACL). Returns 0,
// also when the file system keeps none, or the system's error.
int CopyExtendedAttributes(int from, int to);

// Copies the file capabilities, which the first write would clear. Returns
// 0 or the system's error.
int CopyCapabilities(int from, int to);

}  // namespace quenlo

#endif  // QUENLO_XATTR_POSIX_H_
