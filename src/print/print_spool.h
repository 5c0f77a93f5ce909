// Print jobs handed to CUPS with `lp`, and the questions printing puts to it with `lpstat`, running
// beside the session: the loop watches each one's output, reaps it when it ends and reports its
// exit status; one that overruns its time is stopped.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/scoped_timers.h"
#include "print/child_process.h"
#include "print/printer_target.h"

namespace orkan {

struct SpoolRequest {
    std::string queue;  // the destination for lp -d
    std::string file;   // the file lp sends; removed once lp has ended when `remove_file` is set
    std::string title;  // the job's name
    int copies = 1;
    bool remove_file = false;
};

// The lp command line for a request.
std::vector<std::string> LpArguments(const PrintPrograms& programs, const SpoolRequest& request);

class PrintSpool {
  public:
    using Done = std::function<void(const ChildResult&)>;

    PrintSpool(EventLoop& loop, PrintPrograms programs);
    ~PrintSpool();  // jobs still running are left to finish; their output is no longer read
    PrintSpool(const PrintSpool&) = delete;
    PrintSpool& operator=(const PrintSpool&) = delete;

    // Starts lp; `done` runs on the loop when it has ended (also when it could not start, at once).
    void Submit(const SpoolRequest& request, Done done);
    // Runs a question for CUPS (lpstat, in the C locale, within the query time); `done` runs on the
    // loop with its answer, as for a job.
    void Ask(const std::vector<std::string>& argv, Done done);
    // Waits for the questions and jobs still out, each within its time, and finishes them now: for
    // the end of printing, so a print asked for just before the end still reaches lp, which reads
    // the job's file only once it runs.
    void FinishJobsNow();
    size_t Running() const { return jobs_.size(); }
    const PrintPrograms& programs() const { return programs_; }

  private:
    struct Job {
        ChildProcess child;
        ChildResult result;
        SpoolRequest request;
        Done done;
        int timer = 0;
        bool output_open = true;
        bool question = false;
        std::chrono::steady_clock::time_point deadline;
        // Set once an overrun job was asked to end: when it is killed if it has not.
        std::optional<std::chrono::steady_clock::time_point> kill_at;
    };
    void Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               std::chrono::milliseconds timeout, std::unique_ptr<Job> job);
    void OnOutput(int id);
    void Check(int id);
    void Stop(int id);
    void Finish(int id);
    int NextTimer();

    ScopedTimers timers_;  // one per job, by the job's id
    PrintPrograms programs_;
    std::map<int, std::unique_ptr<Job>> jobs_;
    int next_id_ = 0;
};

}  // namespace orkan
