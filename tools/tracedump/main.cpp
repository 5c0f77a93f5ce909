// tracedump: prints a session trace ("session?.trc") as text, one group of lines per item.
//
//   tracedump [--ascii] FILE
//
// --ascii shows the text column of host data as ASCII (for ASCII hosts) instead of EBCDIC.
// Exit status: 0 the whole file was read; 1 it could not be read or is no trace; 2 it is damaged
// or cut short (the items before the damage are printed, then what is wrong).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture/trace_listing.h"
#include "capture/trace_reader.h"

namespace {

// A trace starts again at about a megabyte; anything far larger is not one of ours.
constexpr size_t kLargestFile = size_t{64} << 20;

int Usage() {
    std::fputs("usage: tracedump [--ascii] FILE\n", stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    orkan::TraceListingOptions options;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ascii") {
            options.ascii_host = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs("usage: tracedump [--ascii] FILE\nPrints an Orkan TN3270 session trace as text.\n", stdout);
            return 0;
        } else if (path.empty() && (arg.empty() || arg[0] != '-')) {
            path = arg;
        } else {
            return Usage();
        }
    }
    if (path.empty()) return Usage();

    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        std::fprintf(stderr, "tracedump: %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0) {
        if (bytes.size() + n > kLargestFile) {
            std::fprintf(stderr, "tracedump: %s is larger than %zu bytes; it is not a session trace\n", path.c_str(),
                         kLargestFile);
            std::fclose(in);
            return 1;
        }
        bytes.insert(bytes.end(), block, block + n);
    }
    const bool read_failed = std::ferror(in);
    std::fclose(in);
    if (read_failed) {
        std::fprintf(stderr, "tracedump: %s: read error\n", path.c_str());
        return 1;
    }

    const orkan::TraceContents trace = orkan::ReadTrace(bytes);
    if (trace.header.empty() && trace.items.empty() && !trace.error.empty()) {
        std::fprintf(stderr, "tracedump: %s: %s\n", path.c_str(), trace.error.c_str());
        return 1;
    }
    const std::string text = orkan::FormatTrace(trace, options);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) return 1;
    if (!trace.error.empty()) {
        std::fprintf(stderr, "tracedump: %s: %s\n", path.c_str(), trace.error.c_str());
        return 2;
    }
    return 0;
}
