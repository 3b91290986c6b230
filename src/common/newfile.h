#pragma once
// Writing a whole file that must not exist yet, with the system's reason when it fails.

#include <filesystem>
#include <string_view>
#include <system_error>

namespace kvx {

// Creates the file (failing when anything has its name) and writes the bytes. On any failure,
// a full disk included, what was created is removed and the system's error returned.
std::error_code writeNewFile(const std::filesystem::path &path, std::string_view bytes);

} // namespace kvx
