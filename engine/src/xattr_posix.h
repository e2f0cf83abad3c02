// Extended attributes, POSIX ACLs among them, where the system has them.
#ifndef QUENLO_XATTR_POSIX_H_
#define QUENLO_XATTR_POSIX_H_

namespace quenlo {

// Copies every extended attribute of the open file `from` to `to`. Returns
// 0, also when the file system keeps none, or the system's error.
int CopyExtendedAttributes(int from, int to);

}  // namespace quenlo

#endif  // QUENLO_XATTR_POSIX_H_
