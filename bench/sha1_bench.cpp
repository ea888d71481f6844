// SHA-1 throughput of both block functions beside OpenSSL's EVP SHA-1, streamed in
// pieces of one size, and whole-file hashing of a file in the page cache.
//
//   sha1_bench --make-file=PATH --size=BYTES    writes a pseudo-random file and exits
//   sha1_bench --file=PATH [benchmark flags]    runs; the file benchmarks need PATH
//
// OpenSSL reads OPENSSL_ia32cap when it starts, so its run without SHA extensions
// is a separate process (bench/run.sh does that).
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "digest/Sha1Blocks.h"
#include "digest/Sha1Context.h"

namespace {

std::string g_file;

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> data(size);
    std::mt19937 rng(1);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(rng());
    }
    return data;
}

mollwick::sha1::BlocksFunction Chosen(bool shaExtensions) {
    return shaExtensions ? mollwick::sha1::ShaExtensionsFunction()
                         : &mollwick::sha1::CompressPortable;
}

void OursAddBytes(benchmark::State& state, bool shaExtensions) {
    const auto function = Chosen(shaExtensions);
    if (function == nullptr) {
        state.SkipWithError("no SHA extensions on this CPU");
        return;
    }
    mollwick::sha1::ScopedFunctionForTesting use(function);
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::vector<std::uint8_t> data = Pattern(size);
    CSha1Context ctx;
    ctx.Begin();
    for (auto _ : state) {
        ctx.AddBytes(data.data(), static_cast<std::uint32_t>(size));
    }
    ctx.Finish();
    benchmark::DoNotOptimize(ctx.Result()[0]);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void OpenSslAddBytes(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::vector<std::uint8_t> data = Pattern(size);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
    for (auto _ : state) {
        EVP_DigestUpdate(ctx, data.data(), size);
    }
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int mdSize = 0;
    EVP_DigestFinal_ex(ctx, md, &mdSize);
    EVP_MD_CTX_free(ctx);
    benchmark::DoNotOptimize(md[0]);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void OursFile(benchmark::State& state, bool shaExtensions) {
    const auto function = Chosen(shaExtensions);
    if (function == nullptr || g_file.empty()) {
        state.SkipWithError(g_file.empty() ? "no --file given" : "no SHA extensions");
        return;
    }
    struct stat st {};
    if (::stat(g_file.c_str(), &st) != 0) {
        state.SkipWithError("cannot stat the file");
        return;
    }
    mollwick::sha1::ScopedFunctionForTesting use(function);
    CSha1Context ctx;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        ctx.Begin();
        if (!ctx.HashFileContent(g_file)) {
            state.SkipWithError("cannot read the file");
            return;
        }
        ctx.Finish();
        benchmark::DoNotOptimize(ctx.Result()[0]);
        bytes += st.st_size;
    }
    state.SetBytesProcessed(bytes);
}

// The same work as HashFileContent: open, read in pieces of the same size into a
// buffer obtained per file, update, finish.
void OpenSslFile(benchmark::State& state) {
    if (g_file.empty()) {
        state.SkipWithError("no --file given");
        return;
    }
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const int fd = ::open(g_file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            state.SkipWithError("cannot open the file");
            return;
        }
        std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                                   std::uint8_t[CSha1Context::kReadPieceSize]);
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
        ssize_t n;
        while ((n = ::read(fd, buffer.get(), CSha1Context::kReadPieceSize)) > 0) {
            EVP_DigestUpdate(ctx, buffer.get(), static_cast<std::size_t>(n));
            bytes += n;
        }
        unsigned char md[EVP_MAX_MD_SIZE];
        unsigned int mdSize = 0;
        EVP_DigestFinal_ex(ctx, md, &mdSize);
        EVP_MD_CTX_free(ctx);
        ::close(fd);
        benchmark::DoNotOptimize(md[0]);
    }
    state.SetBytesProcessed(bytes);
}

void AddSizes(benchmark::internal::Benchmark* b) {
    b->Arg(64)->Arg(4096)->Arg(512 * 1024);
}

BENCHMARK_CAPTURE(OursAddBytes, portable, false)->Apply(AddSizes);
BENCHMARK_CAPTURE(OursAddBytes, shaext, true)->Apply(AddSizes);
BENCHMARK(OpenSslAddBytes)->Apply(AddSizes);
BENCHMARK_CAPTURE(OursFile, portable, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OursFile, shaext, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenSslFile)->Iterations(1)->Unit(benchmark::kMillisecond);

int MakeFile(const std::string& path, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::perror(path.c_str());
        return 1;
    }
    std::mt19937_64 rng(2);
    std::vector<std::uint64_t> chunk(1 << 17);
    for (std::size_t left = size; left != 0;) {
        for (auto& word : chunk) {
            word = rng();
        }
        const std::size_t n = std::min(left, chunk.size() * sizeof(std::uint64_t));
        if (std::fwrite(chunk.data(), 1, n, f) != n) {
            std::perror(path.c_str());
            std::fclose(f);
            return 1;
        }
        left -= n;
    }
    return std::fclose(f) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::string makeFile;
    std::size_t size = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--file=", 0) == 0) {
            g_file = arg.substr(7);
        } else if (arg.rfind("--make-file=", 0) == 0) {
            makeFile = arg.substr(12);
        } else if (arg.rfind("--size=", 0) == 0) {
            size = std::stoull(arg.substr(7));
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return 2;
        }
    }
    if (!makeFile.empty()) {
        return MakeFile(makeFile, size);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
