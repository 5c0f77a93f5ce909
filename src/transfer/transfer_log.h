// transfer.log: every transfer's texts with their local time, one line each, and an empty line
// after each transfer. Byte counts along the way are not kept. The file is UTF-8 with LF line
// ends, in the application data folder.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace orkan {

inline constexpr const char* kTransferLogName = "transfer.log";
inline constexpr size_t kTimePrefixLength = 22;  // "2024-01-31 12:34:56 - "

// "%Y-%m-%d %H:%M:%S - " in local time.
std::string TimePrefix(std::time_t when);

class TransferLog {
  public:
    explicit TransferLog(std::string folder = {}) : folder_(std::move(folder)) {}
    // The application data folder, which start-up may settle after the log was made.
    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    std::string Path() const;

    // A stamped text (or the empty text that ends a transfer). False when the file could not be
    // written; error() then says why.
    [[nodiscard]] bool Append(const std::string& stamped);
    [[nodiscard]] bool Clear();
    // The file's lines; none when it does not exist.
    std::vector<std::string> Lines() const;
    const std::string& error() const { return error_; }

    // Called with each line added (the log viewer, while it is open).
    std::function<void(const std::string&)> on_line;
    std::function<void()> on_cleared;

  private:
    std::string folder_;
    std::string error_;
};

// True for the texts the log leaves out.
bool SkippedInLog(const std::string& stamped);

}  // namespace orkan
