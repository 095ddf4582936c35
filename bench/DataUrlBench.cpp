// Speed and memory of the data URL's work on large contents: encoding,
// the whole build, a load from disk, the one-line form, and memcpy of the
// same size as the reference of this machine. Run through tools/bench.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "builder/DataUrl.h"
#include "codecs/Base64Lines.h"
#include "support/SupportFunctions.h"

namespace {

using namespace lumarind;

class NoTypes : public RegistryReader {
public:
    std::wstring ReadValue(std::uint32_t, const std::wstring&, const std::wstring&, int, std::int32_t&) override {
        return L"application/octet-stream";
    }
};

std::unique_ptr<RegistryReader> NewReader() { return std::make_unique<NoTypes>(); }

const std::string& Content(std::size_t size) {
    static std::map<std::size_t, std::string> contents;
    std::string& content = contents[size];
    if (content.size() != size) {
        content.resize(size);
        std::mt19937_64 random(size);
        for (std::size_t i = 0; i + 8 <= size; i += 8) {
            const std::uint64_t word = random();
            std::memcpy(&content[i], &word, 8);
        }
    }
    return content;
}

std::string ReadWhole(const char* path) {
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0) return {};
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, 0, SEEK_SET);
    std::string content(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    content.resize(done);
    return content;
}

void SetBytes(benchmark::State& state, std::size_t size) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void Memcpy16BitOutput(benchmark::State& state) {
    const std::size_t size = base64::EncodedLength(state.range(0), base64::Lines::kBroken) * 2;
    std::vector<char> from(size, 'a'), to(size, 'b');
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size);
        benchmark::DoNotOptimize(to.data());
    }
    SetBytes(state, state.range(0));  // per byte of input, to compare with the encoder
}

void Encode16BitLines(benchmark::State& state) {
    const std::string& content = Content(state.range(0));
    std::vector<char16_t> text(base64::EncodedLength(content.size(), base64::Lines::kBroken));
    for (auto _ : state) {
        benchmark::DoNotOptimize(base64::Encode(content.data(), content.size(), base64::Lines::kBroken, text.data()));
    }
    SetBytes(state, content.size());
}

void TsBase64Encode(benchmark::State& state) {
    const std::string& content = Content(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(tsBase64Encode(content, kBase64LineForm));
    SetBytes(state, content.size());
}

void WholeBuild(benchmark::State& state) {
    const std::string& content = Content(state.range(0));
    for (auto _ : state) {
        std::wstring dataUrl = ComposeDataUrl(content, L"bin", NewReader);
        benchmark::DoNotOptimize(PreviewOf(dataUrl));
    }
    SetBytes(state, content.size());
}

void LoadFromDisk(benchmark::State& state) {
    const char* path = std::getenv("LUMARIND_BENCH_FILE");
    for (auto _ : state) {
        const std::string content = ReadWhole(path);
        std::wstring dataUrl = ComposeDataUrl(content, L"bin", NewReader);
        benchmark::DoNotOptimize(PreviewOf(dataUrl));
        state.SetBytesProcessed(state.bytes_processed() + static_cast<std::int64_t>(content.size()));
    }
}

void OneLine(benchmark::State& state) {
    const std::wstring dataUrl = ComposeDataUrl(Content(state.range(0)), L"bin", NewReader);
    for (auto _ : state) benchmark::DoNotOptimize(OneLineForm(dataUrl));
    SetBytes(state, dataUrl.size());
}

constexpr std::int64_t kKiB = 1024, kMiB = 1024 * 1024;

BENCHMARK(Memcpy16BitOutput)->Arg(kKiB)->Arg(kMiB)->Arg(256 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(Encode16BitLines)->Arg(kKiB)->Arg(kMiB)->Arg(256 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(TsBase64Encode)->Arg(kKiB)->Arg(kMiB)->Arg(256 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeBuild)->Arg(kKiB)->Arg(kMiB)->Arg(256 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadFromDisk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OneLine)->Arg(256 * kMiB)->Unit(benchmark::kMillisecond);

// Peak memory of one load in a fresh process, against the file's size.
int MeasurePeakLoad(const char* path) {
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const std::string content = ReadWhole(path);
    const std::size_t size = content.size();
    {
        std::wstring dataUrl = ComposeDataUrl(content, L"bin", NewReader);
        benchmark::DoNotOptimize(PreviewOf(dataUrl));
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const double peak = static_cast<double>(after.ru_maxrss) * 1024.0;
    std::printf("peak_load_bytes=%.0f file_bytes=%zu baseline_bytes=%.0f\n", peak, size,
                static_cast<double>(before.ru_maxrss) * 1024.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--peak-load") return MeasurePeakLoad(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
