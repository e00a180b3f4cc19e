// The fuzz targets built without libFuzzer: replays every file of the folders given on the
// command line (the committed corpus and the inputs of earlier findings, now fixed) through the
// target's entry function, so that every build checks them, with or without clang.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::set<fs::path> files;  // replayed in name order
    for (int i = 1; i < argc; ++i) {
        std::error_code error;  // a folder that does not exist holds no inputs
        if (fs::is_regular_file(argv[i], error)) files.insert(argv[i]);
        for (const fs::directory_entry& entry : fs::directory_iterator(argv[i], error)) {
            if (entry.is_regular_file() && entry.path().filename() != "README.md")
                files.insert(entry.path());
        }
    }
    if (files.empty()) return std::fprintf(stderr, "no inputs to replay\n"), 1;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        std::fprintf(stderr, "%s\n", file.c_str());  // names the input should the target abort
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
}
