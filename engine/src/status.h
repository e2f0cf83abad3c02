// How a failure travels inside the engine: what it came to, at which step,
// and the system's own error, all the way out to QuenloStatus.
#ifndef QUENLO_STATUS_H_
#define QUENLO_STATUS_H_

#include <cstdint>

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
};

struct Status {
  ConvertResult result = kConvertOk;
  Step step = Step::kNone;
  int error = 0;  // errno, or the Win32 error
  bool recovered = false;

  bool ok() const { return result == kConvertOk; }
  // The same failure, placed at `where` unless it was placed already.
  Status At(Step where) const {
    Status placed = *this;
    if (placed.step == Step::kNone && !ok()) placed.step = where;
    return placed;
  }
  QuenloStatus ToC() const {
    return {result, static_cast<ConvertStep>(step), static_cast<std::int32_t>(error),
            recovered ? 1 : 0};
  }
};

inline Status Failed(ConvertResult result, int error = 0) {
  return {result, Step::kNone, error, false};
}

}  // namespace quenlo

#endif  // QUENLO_STATUS_H_
