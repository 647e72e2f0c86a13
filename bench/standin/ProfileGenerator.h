#pragma once
// Writes large stand-in profiles for benchmarks: folders of the six kinds, items with
// realistic properties, a chosen share of exact duplicates. Portable.
#include <cstdint>
#include <string>

namespace standin_bench {

struct GeneratorOptions {
    int folders = 6;               // cycling Mail, Calendar, Contact, Journal, Note, Task
    int itemsPerFolder = 1000;
    double duplicateShare = 0.1;   // share of items that copy an earlier item of their folder
    int bodySize = 300;            // characters of body text per item (about)
    std::uint32_t seed = 1;
};

// The profile text (UTF-8 JSON), the same for the same options.
std::string GenerateProfile(const GeneratorOptions& options);

} // namespace standin_bench
