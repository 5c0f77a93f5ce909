#include "print/print_spool.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace orkan {

namespace {

constexpr int kJobTimers = 200;
constexpr auto kReapInterval = std::chrono::milliseconds(20);
constexpr auto kStopGrace = std::chrono::seconds(1);  // between asking an overrun job to end and killing it

}  // namespace

std::vector<std::string> LpArguments(const PrintPrograms& programs, const SpoolRequest& request) {
    std::vector<std::string> args = {programs.lp, "-d", request.queue};
    if (!request.title.empty()) {
        args.push_back("-t");
        args.push_back(request.title);
    }
    if (request.copies > 1) {
        args.push_back("-n");
        args.push_back(std::to_string(request.copies));
    }
    args.push_back(request.file);
    return args;
}

PrintSpool::PrintSpool(EventLoop& loop, PrintPrograms programs)
    : timers_(loop), programs_(std::move(programs)) {}

PrintSpool::~PrintSpool() {
    for (auto& [id, job] : jobs_) {
        timers_.Stop(job->timer);
        if (job->output_open) {
            timers_.loop().UnwatchReadable(job->child.output);
            close(job->child.output);
        }
        // Reaped now when it has ended; otherwise the process's end reaps it.
        ChildResult ignored;
        (void)ReapChild(job->child.pid, ignored);
        if (job->request.remove_file) std::remove(job->request.file.c_str());
    }
}

int PrintSpool::NextTimer() {
    for (int tries = 0; tries < kJobTimers; ++tries) {
        const int id = next_id_++ % kJobTimers;
        if (!jobs_.count(id)) return id;
    }
    return -1;
}

void PrintSpool::Submit(const SpoolRequest& request, Done done) {
    auto job = std::make_unique<Job>();
    job->request = request;
    job->done = std::move(done);
    Start(LpArguments(programs_, request), {}, programs_.job_timeout, std::move(job));
}

void PrintSpool::Ask(const std::vector<std::string>& argv, Done done) {
    auto job = std::make_unique<Job>();
    job->question = true;
    job->done = std::move(done);
    // lpstat's answers are read as text, so they must not come translated.
    Start(argv, {"LC_ALL=C", "LANG=C"}, programs_.query_timeout, std::move(job));
}

void PrintSpool::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                       std::chrono::milliseconds timeout, std::unique_ptr<Job> job) {
    const int id = NextTimer();
    if (id >= 0)
        job->child = SpawnChild(argv, environment, job->result.error);
    else
        job->result.error = EAGAIN;
    if (job->child.pid < 0) {
        if (job->request.remove_file) std::remove(job->request.file.c_str());
        job->done(job->result);
        return;
    }
    job->result.started = true;
    job->timer = id;
    job->deadline = std::chrono::steady_clock::now() + timeout;
    Job& j = *job;
    jobs_[id] = std::move(job);
    timers_.loop().WatchReadable(j.child.output, [this, id] { OnOutput(id); });
    timers_.Start(j.timer, timeout, true, [this, id] { Stop(id); });
}

void PrintSpool::FinishJobsNow() {
    // An answer may lead to the next question or job, so until none is left; questions first.
    for (;;) {
        auto it = std::find_if(jobs_.begin(), jobs_.end(),
                               [](const auto& entry) { return entry.second->question; });
        if (it == jobs_.end()) it = jobs_.begin();
        if (it == jobs_.end()) return;
        const int id = it->first;
        Job& job = *it->second;
        for (;;) {
            if (job.output_open) {
                pollfd fd{job.child.output, POLLIN, 0};
                (void)poll(&fd, 1, 10);
                if (!DrainOutput(job.child.output, job.result.output)) {
                    timers_.loop().UnwatchReadable(job.child.output);
                    close(job.child.output);
                    job.output_open = false;
                }
            } else {
                usleep(10000);
            }
            if (ReapChild(job.child.pid, job.result)) break;
            if (std::chrono::steady_clock::now() >= job.deadline) {
                job.result.timed_out = true;
                StopChild(job.child.pid, job.result);
                break;
            }
        }
        Finish(id);
    }
}

void PrintSpool::OnOutput(int id) {
    auto it = jobs_.find(id);
    if (it == jobs_.end()) return;
    Job& job = *it->second;
    if (DrainOutput(job.child.output, job.result.output)) return;
    timers_.loop().UnwatchReadable(job.child.output);
    close(job.child.output);
    job.output_open = false;
    Check(id);
}

void PrintSpool::Check(int id) {
    auto it = jobs_.find(id);
    if (it == jobs_.end()) return;
    Job& job = *it->second;
    if (ReapChild(job.child.pid, job.result)) {
        Finish(id);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!job.kill_at && now >= job.deadline) {
        Stop(id);
        return;
    }
    if (job.kill_at && now >= *job.kill_at) {
        kill(job.child.pid, SIGKILL);
        job.kill_at = std::chrono::steady_clock::time_point::max();
    }
    // The output has closed or the job was told to end, so the end is near: look again shortly.
    timers_.Start(job.timer, kReapInterval, true, [this, id] { Check(id); });
}

// An overrun job is asked to end and killed a moment later if it has not; the loop goes on
// meanwhile and the job finishes once it is reaped.
void PrintSpool::Stop(int id) {
    auto it = jobs_.find(id);
    if (it == jobs_.end()) return;
    Job& job = *it->second;
    job.result.timed_out = true;
    job.kill_at = std::chrono::steady_clock::now() + kStopGrace;
    kill(job.child.pid, SIGTERM);
    timers_.Start(job.timer, kReapInterval, true, [this, id] { Check(id); });
}

void PrintSpool::Finish(int id) {
    auto it = jobs_.find(id);
    if (it == jobs_.end()) return;
    std::unique_ptr<Job> job = std::move(it->second);
    jobs_.erase(it);
    timers_.Stop(job->timer);
    if (job->output_open) {
        timers_.loop().UnwatchReadable(job->child.output);
        close(job->child.output);
    }
    if (job->request.remove_file) std::remove(job->request.file.c_str());
    job->done(job->result);
}

}  // namespace orkan
