// Prints, for each file named: our compressed size against zlib -9 and xz -9, our compression
// speed, and decode speed of our fast and reference decoders beside zlib's inflate and memcpy.
// Speeds are MB of uncompressed data per second of CPU time.
// Usage: stream_bench [-LEVEL] FILE...   (default: levels 6 and 9)
#include "file_bytes.h"
#include "stream_encode.h"
#include "payload/stream_format.h"

#include <lzma.h>
#include <zlib.h>

#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// CPU time of this thread, not wall time: the machine is shared, and a busy neighbour should not
// show up as a slow codec.
struct Clock {
    using time_point = double;
    static double now() {
        timespec ts;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    }
};

double seconds_since(Clock::time_point t) {
    return Clock::now() - t;
}

// Runs fn repeatedly for at least min_seconds and gives the best MB/s over `bytes` per run.
template <class Fn> double throughput(size_t bytes, Fn fn, double min_seconds = 1.0) {
    double best = 1e30, total = 0;
    int runs = 0;
    while (total < min_seconds || runs < 3) {
        auto t = Clock::now();
        fn();
        double s = seconds_since(t);
        best = std::min(best, s);
        total += s;
        ++runs;
    }
    return double(bytes) / 1e6 / best;
}

volatile uint32_t sink;

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::vector<int> levels;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' && argv[i][1] >= '1' && argv[i][1] <= '9' && !argv[i][2])
            levels.push_back(argv[i][1] - '0');
        else
            files.push_back(argv[i]);
    }
    if (levels.empty()) levels = {kStreamDefaultLevel, kStreamMaxLevel};
    if (files.empty()) {
        std::fprintf(stderr, "usage: stream_bench [-LEVEL] FILE...\n");
        return 2;
    }
    for (const std::string& path : files) {
        std::vector<uint8_t> data;
        std::string err;
        if (!read_file(path, data, err)) {
            std::fprintf(stderr, "stream_bench: %s: %s\n", path.c_str(), err.c_str());
            return 1;
        }
        const double mb = double(data.size()) / 1e6;
        std::printf("== %s: %zu bytes\n", path.c_str(), data.size());

        uLongf zlen = compressBound(uLong(data.size()));
        std::vector<uint8_t> z(zlen);
        auto t = Clock::now();
        compress2(z.data(), &zlen, data.data(), uLong(data.size()), 9);
        double zsec = seconds_since(t);
        z.resize(zlen);

        std::vector<uint8_t> x(lzma_stream_buffer_bound(data.size()));
        size_t xlen = 0;
        t = Clock::now();
        lzma_easy_buffer_encode(9, LZMA_CHECK_CRC32, nullptr, data.data(), data.size(), x.data(),
                                &xlen, x.size());
        double xsec = seconds_since(t);

        std::printf("%-26s %11s %7s %9s\n", "compressor", "bytes", "ratio", "MB/s");
        std::printf("%-26s %11zu %7.4f %9.2f\n", "zlib -9", z.size(),
                    double(z.size()) / double(data.size()), mb / zsec);
        std::printf("%-26s %11zu %7.4f %9.2f\n", "xz -9", xlen, double(xlen) / double(data.size()),
                    mb / xsec);
        std::vector<uint8_t> ours;
        for (int level : levels) {
            t = Clock::now();
            ours = stream_encode(data.data(), data.size(), level);
            double sec = seconds_since(t);
            std::printf("%-26s %11zu %7.4f %9.2f   (%.3fx zlib -9)\n",
                        ("our level " + std::to_string(level)).c_str(), ours.size(),
                        double(ours.size()) / double(data.size()), mb / sec,
                        double(ours.size()) / double(z.size()));
        }

        std::vector<uint8_t> out(data.size());
        std::printf("%-26s %9s\n", "decoder (last level above)", "MB/s");
        double fast = throughput(data.size(), [&] {
            sink = stream_decode(ours.data(), ours.size(), out.data(), out.size());
        });
        bool ok = out == data;
        double zi = throughput(data.size(), [&] {
            uLongf len = uLongf(out.size());
            uncompress(out.data(), &len, z.data(), uLong(z.size()));
            sink = uint32_t(len);
        });
        ok = ok && out == data;
        double ref = throughput(
            data.size(),
            [&] {
                sink = stream_decode_reference(ours.data(), ours.size(), out.data(), out.size());
            },
            0.5);
        ok = ok && out == data;
        double mc = throughput(data.size(), [&] {
            std::memcpy(out.data(), data.data(), data.size());
            sink = out[data.size() / 2];
        });
        std::printf("%-26s %9.1f   (%.2fx zlib inflate)\n", "stream_decode", fast, fast / zi);
        std::printf("%-26s %9.1f\n", "stream_decode_reference", ref);
        std::printf("%-26s %9.1f\n", "zlib inflate", zi);
        std::printf("%-26s %9.1f\n", "memcpy", mc);
        if (!ok) {
            std::printf("DECODE MISMATCH\n");
            return 1;
        }
    }
    return 0;
}
