// The fuzz targets built without libFuzzer: replays every file of the folders given on the
// command line (the committed corpus and the inputs of earlier findings, now fixed) through the
// target's entry function, so that every build checks them, with or without clang.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (fs::is_regular_file(argv[i], error)) files.emplace_back(argv[i]);
        for (fs::directory_iterator it(argv[i], error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_regular_file() && it->path().filename() != "README.md")
                files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) return std::fprintf(stderr, "no inputs to replay\n"), 1;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
}
