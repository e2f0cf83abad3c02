// Many files in one run: every name given, the files under each folder and
// the matches of each pattern, each converted, checked or counted.
#ifndef QUENLO_BATCH_H_
#define QUENLO_BATCH_H_

#include <cstddef>

#include "disk.h"
#include "quenlo/engine.h"

namespace quenlo {

QuenloBatchSummary RunBatch(Disk& disk, const char* const* names, int count,
                            const QuenloBatchOptions& options, QuenloFileDone report,
                            QuenloFileProgress progress, void* context);

}  // namespace quenlo

#endif  // QUENLO_BATCH_H_
