// plix-corpus-replay DIRECTORY...: runs the fuzz target it is linked with on every file of the
// given corpus directories, in name order, so that the ordinary test builds (GCC, the sanitizers,
// mingw under Wine) check the target's properties too. A broken property aborts; the last name
// printed is the input that broke it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIRECTORY...\n", argv[0]);
        return 2;
    }
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
        if (error) {
            std::fprintf(stderr, "cannot read %s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::printf("%s\n", file.filename().string().c_str());
            std::fflush(stdout);
            std::ifstream in(file, std::ios::binary);
            const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                                  std::istreambuf_iterator<char>());
            if (in.bad()) {
                std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
                return 1;
            }
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++inputs;
        }
    }
    std::printf("%d inputs, every property held\n", inputs);
    // An empty corpus would check nothing.
    return inputs > 0 ? 0 : 1;
}
