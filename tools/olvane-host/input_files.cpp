// input_files.cpp - reading the command's input files: packets out of any file, and text files.
#include "input_files.h"

#include "byte_source.h"

namespace olvane_host {

std::string DisplayName(const std::string& path) {
    return path == "-" ? "<stdin>" : path;
}

ChoiceResult ReadPacket(const std::string& path, bool listAll, PacketChoice& choice,
                        std::string& error) {
    const std::unique_ptr<ByteSource> source = OpenByteSource(path, error);
    if (source == nullptr) {
        return ChoiceResult::kFailed;
    }
    return ChoosePacket(*source, listAll, choice, error);
}

bool ReadTextFile(const std::string& path, std::string& text, std::string& error, bool& missing,
                  size_t maxSize) {
    const std::unique_ptr<ByteSource> source = OpenByteSource(path, error, &missing);
    if (source == nullptr) {
        return false;
    }
    if (source->Size() > maxSize) {
        error = "file is larger than " + std::to_string(maxSize >> 20) + " MiB";
        return false;
    }
    text.clear();
    if (!source->Append(0, static_cast<size_t>(source->Size()), text)) {
        error = source->Error().empty() ? "the file changed while it was read" : source->Error();
        return false;
    }
    return true;
}

}  // namespace olvane_host
