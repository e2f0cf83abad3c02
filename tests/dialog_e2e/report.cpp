#include "report.h"

#include <cstdio>

#include "text_win32.h"

bool Report::check(const std::string& name, bool ok, const std::wstring& detail) {
  if (ok) {
    ++passes_;
    std::printf("PASS %s\n", name.c_str());
  } else {
    ++failures_;
    std::printf("FAIL %s: %s\n", name.c_str(), narrow(visible(detail)).c_str());
  }
  std::fflush(stdout);
  return ok;
}
