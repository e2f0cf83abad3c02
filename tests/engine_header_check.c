/* The engine's header, compiled as C: any caller may link the engine. */
#include "quenlo/engine.h"

int quenlo_header_check_style(void);

int quenlo_header_check_style(void) {
  static QuenloStatus status;
  QuenloIdentity file = {0, 0, 0, 0, 0};
  status.file = file;
  LineBreakStyle style = kStyleLf;
  ConvertMode mode = kModeDetect;
  ConvertProgress progress = 0;
  (void)progress;
  return status.result + style + mode + kNameBufferSize;
}
