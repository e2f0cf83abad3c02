// How a failure travels inside the engine: what it came to, at which step,
// the system's own error and the entry it touched, all the way out to
// QuenloStatus, with the names the conversion used so that no caller has
// to derive them again.
#ifndef QUENLO_STATUS_H_
#define QUENLO_STATUS_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "quenlo/engine.h"

namespace quenlo {

enum class Step : std::int32_t {
  kNone = kStepNone,
  kCheckName = kStepCheckName,
  kCreateWork = kStepCreateWork,
  kOpen = kStepOpen,
  kMetadata = kStepMetadata,
  kRead = kStepRead,
  kWrite = kStepWrite,
  kFlush = kStepFlush,
  kRemoveStale = kStepRemoveStale,
  kMakeBackup = kStepMakeBackup,
  kTakeName = kStepTakeName,
  kRestore = kStepRestore,
  kSyncFolder = kStepSyncFolder,
  kPutBackOld = kStepPutBackOld,
  kFollowLink = kStepFollowLink,
};

struct Status {
  ConvertResult result = kConvertOk;
  Step step = Step::kNone;
  int error = 0;  // errno, or the Win32 error
  bool recovered = false;
  std::string entry;  // the name in the directory that the failing call touched
  // Full names of the files the conversion used, once it knew them.
  std::string backup, work, aside;
  QuenloIdentity file = {};  // the file opened under the name

  bool ok() const { return result == kConvertOk; }
  // The same failure, placed at `where` unless it was placed already.
  Status At(Step where) const {
    Status placed = *this;
    if (placed.step == Step::kNone && !ok()) placed.step = where;
    return placed;
  }
  QuenloStatus ToC() const {
    QuenloStatus c = {};
    c.result = result;
    c.step = static_cast<ConvertStep>(step);
    c.system_error = static_cast<std::int32_t>(error);
    c.recovered = recovered ? 1 : 0;
    Copy(backup, c.backup);
    Copy(work, c.work);
    Copy(aside, c.aside);
    c.file = file;
    return c;
  }

 private:
  // A name that does not fit is left empty rather than cut.
  static void Copy(const std::string& name, char (&to)[kNamedFileSize]) {
    if (name.size() < sizeof(to)) std::memcpy(to, name.c_str(), name.size() + 1);
  }
};

inline Status Failed(ConvertResult result, int error = 0, std::string entry = std::string()) {
  Status status;
  status.result = result;
  status.error = error;
  status.entry = std::move(entry);
  return status;
}

}  // namespace quenlo

#endif  // QUENLO_STATUS_H_
