// Runs a fuzz target over saved inputs, without libFuzzer: every file named on
// the command line, and every file in every folder named. A folder that does
// not exist holds no inputs yet. Fails when an input cannot be read or none was
// found at all; a crash ends the run as it would end a fuzzing run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

using Path = std::filesystem::path;

std::vector<Path> InputsNamed(int argc, char **argv)
{
    std::vector<Path> inputs;
    for (int i = 1; i < argc; ++i) {
        const Path path(argv[i]);
        if (!std::filesystem::is_directory(path)) {
            if (std::filesystem::exists(path)) {
                inputs.push_back(path);
            }
            continue;
        }
        std::vector<Path> inFolder;
        for (const auto &entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file()) {
                inFolder.push_back(entry.path());
            }
        }
        std::sort(inFolder.begin(), inFolder.end());
        inputs.insert(inputs.end(), inFolder.begin(), inFolder.end());
    }
    return inputs;
}

bool Replay(const Path &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<uint8_t> input{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::printf("%s (%zu bytes)\n", path.c_str(), input.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    const std::vector<Path> inputs = InputsNamed(argc, argv);
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    const auto replayed = std::count_if(inputs.begin(), inputs.end(), Replay);
    std::printf("%zd of %zu inputs replayed\n", replayed, inputs.size());
    return std::size_t(replayed) == inputs.size() ? 0 : 1;
}
