// Print jobs handed to CUPS with `lp`, running beside the session: the loop watches each one's
// output, reaps it when it ends and reports its exit status; one that overruns its time is stopped.
#pragma once

#include <functional>
#include <map>
#include <memory>
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

    PrintSpool(ScopedTimers& timers, PrintPrograms programs);
    ~PrintSpool();  // jobs still running are left to finish; their output is no longer read
    PrintSpool(const PrintSpool&) = delete;
    PrintSpool& operator=(const PrintSpool&) = delete;

    // Starts lp; `done` runs on the loop when it has ended (also when it could not start, at once).
    void Submit(const SpoolRequest& request, Done done);
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
        std::chrono::steady_clock::time_point deadline;
    };
    void OnOutput(int id);
    void Check(int id);
    void Finish(int id);
    int NextTimer();

    ScopedTimers& timers_;
    PrintPrograms programs_;
    std::map<int, std::unique_ptr<Job>> jobs_;
    int next_id_ = 0;
};

}  // namespace orkan
