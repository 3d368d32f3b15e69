// input_files.h - reading the command's input files: packets out of any file, and text files.
#pragma once

#include <cstddef>
#include <string>

#include "packet_choice.h"

namespace olvane_host {

// The name a file goes by in messages and output: "-" is standard input.
std::string DisplayName(const std::string& path);

// Opens path ("-" for standard input) and chooses its packet (see ChoosePacket). On failure error
// holds a reason that does not repeat the file name ("no XMP packet found", or the system's
// message).
ChoiceResult ReadPacket(const std::string& path, bool listAll, PacketChoice& choice,
                        std::string& error);

// Reads a whole text file (at most maxSize bytes). missing is set when it does not exist.
bool ReadTextFile(const std::string& path, std::string& text, std::string& error, bool& missing,
                  size_t maxSize = size_t{64} << 20);

}  // namespace olvane_host
