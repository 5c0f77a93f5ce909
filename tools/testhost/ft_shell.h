// The READY screen of a host personality (TSO, CMS, CICS) that the transfer program runs under:
// line-mode output above a command line, paged when it does not fit, the list commands, and
// the transfer command, which queries the terminal and hands over to a TransferRunner.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ft_runner.h"

namespace testhost::ft {

struct ShellIo {
    std::function<void(const Bytes& record, const std::string& label, size_t hex_bytes)> send;
    std::function<void(const std::string& tag, const std::string& text)> log;
    std::function<void(const std::string& reason)> disconnect;
};

// Screen layout (24x80): output rows 1-21 (text from column 2), the command line from row 22
// column 1 to row 24 column 60, a status area at row 24 columns 62-80.
inline constexpr int kShellOutputRows = 21;
inline constexpr int kShellLineWidth = 79;
inline constexpr int kShellInputStart = 21 * 80;
inline constexpr int kShellStatusStart = 23 * 80 + 61;

class Shell {
  public:
    Shell(const TransferConfig& config, FileStore& store, const Codec& codec, ShellIo io, bool can_query,
          double reply_timeout);

    void Start(double now);
    void OnRecord(const Bytes& record, double now);
    void OnTick(double now);

    // What the screen shows now (tests and the log).
    const std::vector<std::string>& lines() const { return shown_; }
    const std::string& status() const { return status_; }

  private:
    enum class State { Ready, Paging, Query, Transfer, Silent };

    void Attention(const Bytes& record, double now);
    void Command(const std::string& text, double now);
    void TsoCommand(const std::vector<std::string>& words);
    void CmsCommand(const std::vector<std::string>& words);
    void StartTransfer(const std::string& text, double now);
    void BeginRunner(const std::optional<DdmLimits>& limits, double now);
    void Handle(Step step, const Bytes* record, double now);
    void EndTransfer();
    void Output(const std::string& line);
    void Prompt(bool ok = true);
    void Show();
    void Draw();

    const TransferConfig& config_;
    FileStore& store_;
    const Codec& codec_;
    ShellIo io_;
    bool can_query_;
    double reply_timeout_;
    State state_ = State::Ready;
    std::vector<std::string> shown_;
    std::deque<std::string> pending_;
    std::string status_;
    std::string command_;
    std::unique_ptr<TransferRunner> runner_;
    double deadline_ = 0;
};

}  // namespace testhost::ft
