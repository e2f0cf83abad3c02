// Conversions between the UTF-8 kept in the source and the wide texts the
// windows report.
#ifndef QUENLO_E2E_TEXT_WIN32_H_
#define QUENLO_E2E_TEXT_WIN32_H_

#include <string>

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);

// The text with control characters spelled out, for failure lines.
std::wstring visible(const std::wstring& text);

#endif  // QUENLO_E2E_TEXT_WIN32_H_
