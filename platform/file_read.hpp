// Reading a whole user-chosen file, with a size cap so a huge or endless file
// (a device, a FIFO) cannot exhaust memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace glimora {

// The file's bytes; nothing when it cannot be opened or read, is not a
// regular file, or holds more than maxBytes.
std::optional<std::vector<std::uint8_t>> readFileLimited(const std::filesystem::path& file,
                                                         std::uintmax_t maxBytes);

}  // namespace glimora
