// Throughput of the buffer cipher and the checksum against well-known peers,
// measured on the same 64 KiB buffers in the same run, reported as ratios.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>
#include <zlib.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "store/Cipher.hpp"
#include "store/Crc32.hpp"
#include "store/SaveWriter.hpp"

namespace {

constexpr std::size_t kSize = 64 * 1024;
const std::uint8_t kKey[8] = {'w', 'q', 'z', 'm', 'r', 'v', 't', 0};

const std::vector<std::uint8_t>& input() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> d(kSize);
        std::mt19937 rng(42);
        for (auto& b : d) b = static_cast<std::uint8_t>(rng());
        return d;
    }();
    return data;
}

void CipherOurs(benchmark::State& state) {
    std::vector<std::uint8_t> out(kSize + 8);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            store::encryptBuffer(input().data(), kSize, out.data(), out.size(), kKey));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize);
}

void CipherOpenSslDesCbc(benchmark::State& state) {
    std::vector<std::uint8_t> out(kSize);
    DES_cblock key;
    std::memcpy(key, kKey, 8);
    for (auto _ : state) {
        // Key set-up inside the loop, as the buffer cipher does it per call.
        DES_key_schedule schedule;
        DES_set_key_unchecked(&key, &schedule);
        DES_cblock iv = {};
        DES_ncbc_encrypt(input().data(), out.data(), kSize, &schedule, &iv, DES_ENCRYPT);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize);
}

void CrcOurs(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(store::crc32(input().data(), kSize));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize);
}

void CrcBytewise(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(store::crc32Bytewise(input().data(), kSize));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize);
}

void CrcZlib(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(::crc32(0L, input().data(), kSize));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize);
}

// A saved game's text: 263 fields, as the game window hands over at each rest.
std::string savedText() {
    std::string text = "0\t1\t1\t1\t1\t1234\t0\t";
    for (int i = 0; i < 256; ++i) text += std::to_string(i >= 128 ? 1 + i % 7 : 0) + "\t";
    return text;
}

// A folder for the save benchmarks' files, removed at the end of the program.
const std::string& saveFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "hoopstack-bench-XXXXXX").string();
        return std::string(::mkdtemp(pattern.data()));
    }();
    return folder;
}

// What a frame pays to keep the game: a copy of the text handed to the writer's thread.
void SaveHandOver(benchmark::State& state) {
    store::SaveWriter writer(saveFolder() + "/handover.dat");
    const std::string text = savedText();
    for (auto _ : state) writer.Submit(text);
}

// What it would pay writing the file itself: encipher, write, flush to disk, rename.
void SaveWrittenByCaller(benchmark::State& state) {
    store::SaveWriter writer(saveFolder() + "/caller.dat");
    const std::string text = savedText();
    for (auto _ : state) benchmark::DoNotOptimize(writer.WriteNow(text));
}

BENCHMARK(SaveHandOver);
BENCHMARK(SaveWrittenByCaller);
BENCHMARK(CipherOurs);
BENCHMARK(CipherOpenSslDesCbc);
BENCHMARK(CrcOurs);
BENCHMARK(CrcBytewise);
BENCHMARK(CrcZlib);

// Keeps each benchmark's time per iteration for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void printRatio(const RatioReporter& r, const char* label, const char* ours, const char* peer,
                double goal) {
    const auto a = r.times.find(ours), b = r.times.find(peer);
    if (a == r.times.end() || b == r.times.end()) return;
    const double ratio = b->second / a->second;
    std::printf("%-40s %5.2fx %-22s (goal %.2fx) %s\n", label, ratio, peer, goal,
                ratio >= goal ? "ok" : "BELOW GOAL");
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nthroughput ratios (ours / peer, same run, 64 KiB buffers):\n");
    printRatio(reporter, "buffer cipher vs", "CipherOurs", "CipherOpenSslDesCbc", 0.8);
    printRatio(reporter, "crc32 vs", "CrcOurs", "CrcZlib", 0.35);
    printRatio(reporter, "byte-wise crc32 vs", "CrcBytewise", "CrcZlib", 0.0);
    printRatio(reporter, "saved game handed over vs", "SaveHandOver", "SaveWrittenByCaller", 10.0);
    std::error_code ignored;
    std::filesystem::remove_all(saveFolder(), ignored);
    benchmark::Shutdown();
    return 0;
}
