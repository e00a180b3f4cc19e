// Helpers shared by the fuzz targets: most readers take a path, so each input is written to one
// scratch file per process (in memory under /dev/shm when it exists) and read back from there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

// An invariant a reader broke: abort, so the fuzzer keeps the input as a finding.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace fuzz {

inline std::string_view asText(const uint8_t* data, size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// This process's scratch file ending in `suffix` (an extension some readers look at), removed
// when the process ends. write() replaces its contents and returns its path; it aborts when it
// cannot, since every later input would then test nothing.
struct ScratchFile {
    explicit ScratchFile(const std::string& suffix)
        : path(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path())
    {
        path += "/quorvane-fuzz-" + std::to_string(getpid()) + suffix;
    }
    ~ScratchFile() { std::remove(path.c_str()); }
    const std::string& write(std::string_view bytes) const
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        FUZZ_CHECK(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
        std::fclose(file);
        return path;
    }

    std::string path;
};

}  // namespace fuzz
