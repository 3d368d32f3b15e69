// input_files.h - reading the command's input files: packets out of any file, and text files.
#pragma once

#include <cstddef>
#include <string>

namespace olvane_host {

// The name a file goes by in messages and output: "-" is standard input.
std::string DisplayName(const std::string& path);

// Reads path ("-" for standard input) chunk by chunk and returns its first XMP packet. On failure
// returns false with a reason that does not repeat the file name ("no XMP packet found", or the
// system's message).
bool ReadPacket(const std::string& path, std::string& packet, std::string& error,
                size_t chunkSize = size_t{1} << 20);

// Reads a whole text file (at most maxSize bytes). missing is set when it does not exist.
bool ReadTextFile(const std::string& path, std::string& text, std::string& error, bool& missing,
                  size_t maxSize = size_t{64} << 20);

}  // namespace olvane_host
