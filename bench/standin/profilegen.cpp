// profilegen [--folders N] [--per-folder N] [--duplicates share] [--body chars] [--seed N] <out.json>
// Writes a large Outlook stand-in profile for benchmarks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ProfileGenerator.h"

int main(int argc, char** argv)
{
    standin_bench::GeneratorOptions options;
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        auto value = [&] { return i + 1 < argc ? argv[++i] : "0"; };
        if (!std::strcmp(argv[i], "--folders")) options.folders = std::atoi(value());
        else if (!std::strcmp(argv[i], "--per-folder")) options.itemsPerFolder = std::atoi(value());
        else if (!std::strcmp(argv[i], "--duplicates")) options.duplicateShare = std::atof(value());
        else if (!std::strcmp(argv[i], "--body")) options.bodySize = std::atoi(value());
        else if (!std::strcmp(argv[i], "--seed")) options.seed = static_cast<std::uint32_t>(std::atoi(value()));
        else out = argv[i];
    }
    if (!out) {
        std::fprintf(stderr, "usage: profilegen [--folders N] [--per-folder N] [--duplicates share] [--body chars] "
                             "[--seed N] out.json\n");
        return 2;
    }
    std::string text = standin_bench::GenerateProfile(options);
    FILE* file = std::fopen(out, "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size()) return 1;
    std::fclose(file);
    std::printf("%d items in %d folders, %zu bytes: %s\n", options.folders * options.itemsPerFolder, options.folders,
                text.size(), out);
    return 0;
}
