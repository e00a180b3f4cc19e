// Helpers shared by the fuzz targets: most readers take a path, so each input is written to one
// scratch file per process (in memory under /dev/shm when it exists) and read back from there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

namespace fuzz {

// The scratch path for this process and `suffix` (an extension some readers look at).
inline std::string scratchPath(const std::string& suffix)
{
    const bool shm = access("/dev/shm", W_OK) == 0;
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = shm ? "/dev/shm" : (tmp != nullptr && *tmp ? tmp : "/tmp");
    return folder + "/quorvane-fuzz-" + std::to_string(getpid()) + suffix;
}

// Writes `bytes` to the file at `path`, replacing it; aborts when it cannot, since every later
// input would then test nothing.
inline void writeScratch(const std::string& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::perror(path.c_str());
        std::abort();
    }
    std::fclose(file);
}

// Removes the scratch file when the process ends.
struct ScratchFile {
    std::string path;
    explicit ScratchFile(const std::string& suffix) : path(scratchPath(suffix)) {}
    ~ScratchFile() { std::remove(path.c_str()); }
};

inline std::string_view asText(const uint8_t* data, size_t size)
{
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

// An invariant a reader broke: abort, so the fuzzer keeps the input as a finding.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

}  // namespace fuzz
