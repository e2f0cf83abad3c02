// Many files in one call: each name given, in order, through one conversion
// each.
#include <string>

#include "convert.h"
#include "quenlo/engine.h"

namespace quenlo {
namespace {

bool GoOn(QuenloFileDone report, void* context, const QuenloFileReport& file) {
  return !report || report(context, &file) != 0;
}

}  // namespace
}  // namespace quenlo

QuenloBatchSummary quenlo_convert_many(const char* const* names, int32_t count,
                                       const QuenloBatchOptions* options,
                                       QuenloFileDone report, QuenloFileProgress,
                                       void* context) {
  QuenloBatchSummary summary = {};
  for (int32_t i = 0; i < count; ++i) {
    QuenloFileReport file = {};
    file.name = names[i];
    file.argument = i;
    file.index = i + 1;
    file.found = i + 1;
    file.named = 1;
    file.status = quenlo_convert(options->style, options->keep_backup, options->mode, names[i],
                                 nullptr, nullptr);
    file.outcome = file.status.result == kConvertOk ? kOutcomeConverted : kOutcomeFailed;
    if (file.outcome == kOutcomeConverted)
      ++summary.converted;
    else
      ++summary.failed;
    if (!quenlo::GoOn(report, context, file)) {
      summary.cancelled = 1;
      break;
    }
  }
  return summary;
}
