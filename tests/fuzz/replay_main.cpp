// Runs a fuzz target over every file of the given folders (missing folders are skipped), without
// libFuzzer: so the seeds and kept crash inputs run in the sanitized native test suite. A failing
// input aborts the run after its name is printed.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (!fs::is_directory(argv[i], error)) continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(argv[i])) {
            if (!entry.is_regular_file()) continue;
            std::ifstream stream(entry.path(), std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(stream), {}};
            std::fprintf(stderr, "%s\n", entry.path().string().c_str());
            static const uint8_t none = 0;  // never a null pointer, as libFuzzer passes it
            LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
            ++inputs;
        }
    }
    std::printf("%zu inputs ran\n", inputs);
    return inputs > 0 ? 0 : 1;  // a replay that found nothing to run has checked nothing
}
