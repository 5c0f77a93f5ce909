// tracedump: prints a session trace ("session?.trc") as text, one group of lines per item.
//
//   tracedump [--ascii] [--country NAME] [--no-chunks] FILE
//
// --ascii shows host data as ASCII (for ASCII hosts) instead of EBCDIC; --country names the
// host's code page as the session does ("United States", the default); --no-chunks leaves out
// the network chunks, whose commands and records are listed again as items of their own.
// Exit status: 0 the whole file was read; 1 it could not be read or is no trace; 2 it is damaged
// or cut short (the items before the damage are printed, then what is wrong).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "app/folders_setup.h"
#include "capture/trace_listing.h"
#include "capture/trace_reader.h"
#include "charset/country_list.h"

namespace {

// A trace starts again at about a megabyte; anything far larger is not one of ours.
constexpr size_t kLargestFile = size_t{64} << 20;

constexpr const char* kUsage = "usage: tracedump [--ascii] [--country NAME] [--no-chunks] FILE\n";
constexpr size_t kLargestCountryList = size_t{1} << 20;

int Usage() {
    std::fputs(kUsage, stderr);
    return 1;
}

// `what` names the file's kind for the message about a file too large to be one.
bool ReadFile(const std::string& path, size_t limit, const char* what, std::vector<uint8_t>& bytes,
              std::string& error) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0) {
        if (bytes.size() + n > limit) {
            std::fclose(in);
            error = path + " is larger than " + std::to_string(limit) + " bytes; it is not " + what;
            return false;
        }
        bytes.insert(bytes.end(), block, block + n);
    }
    const bool failed = std::ferror(in);
    const int reason = errno;
    std::fclose(in);
    if (failed) error = path + ": " + std::strerror(reason);  // a folder: "Is a directory"
    return !failed;
}

// The host code page's characters from the program's country.lst; false when it lacks the country.
bool HostCodePage(const std::string& country, orkan::CharsetTables& tables, std::string& error) {
    const std::string path = orkan::FindProgramDataFolder(orkan::CurrentExecutablePath()) + "/country.lst";
    std::vector<uint8_t> file;
    if (!ReadFile(path, kLargestCountryList, "a country list", file, error)) return false;
    const orkan::CountryListResult r =
        orkan::ParseCountryList(file, orkan::CountryListMode::CodePage, {country, "", ""}, tables);
    if (!r.country_found) error = path + " has no country \"" + country + "\"";
    return r.country_found;
}

int Run(int argc, char** argv) {
    orkan::TraceListingOptions options;
    std::string path;
    std::string country = "United States";
    bool country_given = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ascii") {
            options.ascii_host = true;
        } else if (arg == "--no-chunks") {
            options.hide_chunks = true;
        } else if (arg == "--country" && i + 1 < argc) {
            country = argv[++i];
            country_given = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs("Prints an Orkan TN3270 session trace as text.\n", stdout);
            return 0;
        } else if (path.empty() && (arg.empty() || arg[0] != '-')) {
            path = arg;
        } else {
            return Usage();
        }
    }
    if (path.empty()) return Usage();

    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFile(path, kLargestFile, "a session trace", bytes, error)) {
        std::fprintf(stderr, "tracedump: %s\n", error.c_str());
        return 1;
    }
    // Without the country list the text of records is code page 037's ASCII part; a country asked
    // for by name must be there.
    orkan::CharsetTables tables;
    std::string table_error;
    if (!options.ascii_host && HostCodePage(country, tables, table_error)) {
        options.host_to_display = &tables.screen;
    } else if (country_given && !options.ascii_host) {
        std::fprintf(stderr, "tracedump: %s\n", table_error.c_str());
        return 1;
    }

    const orkan::TraceContents trace = orkan::ReadTrace(bytes);
    if (trace.header.empty() && trace.items.empty() && !trace.error.empty()) {
        std::fprintf(stderr, "tracedump: %s: %s\n", path.c_str(), trace.error.c_str());
        return 1;
    }
    // The listing goes out as it is made: it is about twenty times the size of the trace.
    const bool written = orkan::FormatTrace(trace, options, [](std::string_view piece) {
        return std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
    });
    if (!written || std::fflush(stdout) != 0) return 1;
    if (!trace.error.empty()) {
        std::fprintf(stderr, "tracedump: %s: %s\n", path.c_str(), trace.error.c_str());
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A file of the largest size a trace may have still needs a few times its size in memory.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fputs("tracedump: not enough memory to read and list this file\n", stderr);
        return 1;
    }
}
