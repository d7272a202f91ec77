// fuzz_<target>_corpus DIRECTORY: runs the fuzz target it is linked with on every file of a
// corpus directory, in name order, so that the ordinary test builds (GCC, the sanitizers, mingw
// under Wine) check the target's properties too. A broken property aborts; the last name printed
// is the input that broke it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/support/windows_path.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    if (argc == 2) {
        for (const auto& entry : std::filesystem::directory_iterator(WindowsPath(argv[1]), error)) {
            files.push_back(entry.path());
        }
    }
    // An empty corpus would check nothing.
    if (argc != 2 || error || files.empty()) {
        std::fprintf(stderr, "usage: %s CORPUS_DIRECTORY (with at least one input)\n", argv[0]);
        return 2;
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::printf("%s\n", file.filename().string().c_str());
        std::fflush(stdout);
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%d inputs, every property held\n", static_cast<int>(files.size()));
    return 0;
}
