// Cost of the resource readers: opening an archive the size of a full data set, looking names up
// in a full file table, parsing a large text table, and key/value queries.
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/keyvalue.h"
#include "resources/texts.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string benchDir()
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/ostrimar-bench-resources";
    std::filesystem::create_directories(dir);
    return dir;
}

// An archive of 600 members, 24 MB in all, written once.
const std::string& bigArchive()
{
    static std::string path;
    if (path.empty()) {
        path = benchDir() + "/big.dat";
        std::vector<uint8_t> archive;
        std::vector<uint8_t> data(40000);
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 31);
        for (int i = 0; i < 600; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "AnimBacks\\scene%03d\\picture%03d.tga", i / 10, i);
            appendArchiveMember(archive, name, data.data(), data.size());
        }
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(archive.data(), 1, archive.size(), f);
        std::fclose(f);
    }
    return path;
}

void BM_OpenArchive(benchmark::State& state)
{
    const std::string& path = bigArchive();
    for (auto _ : state) {
        resetFileTable();
        benchmark::DoNotOptimize(openArchive(path.c_str()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(path)));
    resetFileTable();
}
BENCHMARK(BM_OpenArchive)->Unit(benchmark::kMillisecond);

void BM_FindFileInFullTable(benchmark::State& state)
{
    resetFileTable();
    openArchive(bigArchive().c_str());
    int i = 0;
    for (auto _ : state) {
        char name[64];
        std::snprintf(name, sizeof name, "animbacks\\SCENE%03d\\picture%03d.TGA", (i % 600) / 10, i % 600);
        benchmark::DoNotOptimize(findFile(name));
        ++i;
    }
    resetFileTable();
}
BENCHMARK(BM_FindFileInFullTable);

void BM_ParseTextTable(benchmark::State& state)
{
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    auto put = [&bytes](const std::string& s) {
        for (char c : s) {
            bytes.push_back(uint8_t(c));
            bytes.push_back(0);
        }
    };
    for (int i = 0; i < 1000; ++i) {
        put("key" + std::to_string(i) + "=A line of text of a typical length for a menu caption or a tip.\r\n");
    }
    for (auto _ : state) {
        resetTextTables();
        benchmark::DoNotOptimize(parseTextData(bytes.data(), int32_t(bytes.size())));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    resetTextTables();
}
BENCHMARK(BM_ParseTextTable)->Unit(benchmark::kMicrosecond);

void BM_KeyValueQueries(benchmark::State& state)
{
    std::string text;
    for (int i = 0; i < 200; ++i) text += "mesh" + std::to_string(i) + "=(" + std::to_string(i) + ",1.5,-2)\r\n";
    for (auto _ : state) {
        benchmark::DoNotOptimize(kvVec3(text.c_str(), "mesh150="));
        benchmark::DoNotOptimize(kvInt(text.c_str(), "mesh199="));
    }
}
BENCHMARK(BM_KeyValueQueries);

} // namespace

BENCHMARK_MAIN();
