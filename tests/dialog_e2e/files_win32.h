// The test files the program converts, and the copies of the program the
// single-instance checks start.
#ifndef QUENLO_E2E_FILES_WIN32_H_
#define QUENLO_E2E_FILES_WIN32_H_

#include <optional>
#include <string>
#include <vector>

bool write_bytes(const std::wstring& path, const std::string& bytes);
std::optional<std::string> read_bytes(const std::wstring& path);
// A file of `count` copies of `unit`, written and compared a copy at a time,
// so that a file of hundreds of megabytes needs no such memory.
bool write_repeated(const std::wstring& path, const std::string& unit, int count);
bool holds_repeated(const std::wstring& path, const std::string& unit, int count);
long long file_size(const std::wstring& path);
// The names in `folder` that match `pattern`, such as "big.txt*".
std::vector<std::wstring> names_in(const std::wstring& folder, const std::wstring& pattern);
bool exists(const std::wstring& path);
bool make_folder(const std::wstring& path);
// Removes the folder with everything in it; the work folder starts clean.
void remove_tree(const std::wstring& path);
std::wstring folder_of(const std::wstring& path);
std::wstring full_path(const std::wstring& path);
// Copies the program and the libraries beside it, so the copy starts as the
// original does.
bool copy_program(const std::wstring& program, const std::wstring& folder,
                  const std::wstring& name);

#endif  // QUENLO_E2E_FILES_WIN32_H_
