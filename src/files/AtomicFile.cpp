#include "files/AtomicFile.h"

#include <cstdio>
#include <system_error>

#include <unistd.h>

#include "text/RuntimeError.h"

namespace purlo {

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path temp = path.string() + ".tmp" + std::to_string(::getpid());
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) throw RuntimeError("cannot create " + temp.string());
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    // fsync before the rename, so a power cut cannot leave an empty file behind the new name.
    const bool flushed = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
    const bool closed = std::fclose(f) == 0;
    std::error_code ec;
    if (written && flushed && closed) {
        std::filesystem::rename(temp, path, ec);
        if (!ec) return;
    }
    std::filesystem::remove(temp, ec);
    throw RuntimeError("cannot write " + path.string());
}

}  // namespace purlo
