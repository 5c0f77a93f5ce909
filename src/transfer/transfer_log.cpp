#include "transfer/transfer_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "platform/file_io.h"
#include "transfer/pc_file.h"

namespace orkan {

std::string TimePrefix(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S - ", &local);
    return text;
}

bool SkippedInLog(const std::string& stamped) {
    return stamped.size() >= kTimePrefixLength &&
           stamped.compare(kTimePrefixLength, 17, "Bytes transferred") == 0;
}

std::string TransferLog::Path() const {
    if (folder_.empty()) return kTransferLogName;
    return folder_.back() == '/' ? folder_ + kTransferLogName : folder_ + "/" + kTransferLogName;
}

bool TransferLog::Append(const std::string& stamped) {
    if (SkippedInLog(stamped)) return true;
    const std::string path = Path();
    if (!folder_.empty()) mkdir(folder_.c_str(), 0700);  // the first start may not have made it yet
    const int fd = OpenForWriting(path, WriteMode::Append, FileAccess::Shared);
    if (fd < 0) {
        error_ = path + ": " + FileErrorText(errno);
        return false;
    }
    // One write per line, so two sessions logging at once never mix their lines.
    const std::string line = stamped + "\n";
    const ssize_t n = write(fd, line.data(), line.size());
    const int write_error = n < 0 ? errno : 0;
    close(fd);
    if (n != ssize_t(line.size())) {
        error_ = path + ": " + (write_error ? SystemErrorText(write_error) : std::string("short write"));
        return false;
    }
    if (on_line) on_line(stamped);
    return true;
}

bool TransferLog::Clear() {
    const std::string path = Path();
    const int fd = OpenForWriting(path, WriteMode::Replace, FileAccess::Shared);
    if (fd < 0) {
        error_ = path + ": " + FileErrorText(errno);
        return false;
    }
    close(fd);
    if (on_cleared) on_cleared();
    return true;
}

std::vector<std::string> TransferLog::Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(Path(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace orkan
