// One line per check on standard output; the exit status counts failures.
#ifndef QUENLO_E2E_REPORT_H_
#define QUENLO_E2E_REPORT_H_

#include <string>

class Report {
 public:
  // Prints "PASS name" or "FAIL name: detail" and returns ok.
  bool check(const std::string& name, bool ok, const std::wstring& detail = {});
  int failures() const { return failures_; }
  int passes() const { return passes_; }

 private:
  int failures_ = 0;
  int passes_ = 0;
};

#endif  // QUENLO_E2E_REPORT_H_
