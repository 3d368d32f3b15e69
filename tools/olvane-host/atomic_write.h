// atomic_write.h - replacing a file's contents so that a failure leaves the old file whole.
#pragma once

#include <string>
#include <string_view>

namespace olvane_host {

// Writes content to a temporary file beside path, flushes it to disk and renames it over path. On
// failure the old file is untouched, the temporary file is removed and false comes back with the
// reason. A symbolic link at path is followed, so the file it names is replaced. An existing file
// keeps its permission bits; a new one gets 0666 less the umask.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

}  // namespace olvane_host
