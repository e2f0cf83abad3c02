// The groups of end-to-end checks; each starts its own copy of the program
// and ends it again.
#ifndef QUENLO_E2E_CHECKS_WIN32_H_
#define QUENLO_E2E_CHECKS_WIN32_H_

#include <string>

#include "report.h"

struct Setup {
  std::wstring program;  // full path of Quenlo32.exe
  std::wstring work;     // an empty folder for the files the checks convert
  Report& report;
};

void check_start_state(const Setup& setup);
void check_conversions(const Setup& setup);
void check_refusals(const Setup& setup);
void check_about_box(const Setup& setup);
void check_browse(const Setup& setup);
void check_drop(const Setup& setup);
void check_names(const Setup& setup);
void check_instances(const Setup& setup);

#endif  // QUENLO_E2E_CHECKS_WIN32_H_
