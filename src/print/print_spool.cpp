#include "print/print_spool.h"

#include <unistd.h>

#include <cstdio>

namespace orkan {

namespace {

// Timer ids inside the owner's block: the first few belong to the owner itself.
constexpr int kFirstJobTimer = 16;
constexpr int kJobTimers = 200;
constexpr auto kReapInterval = std::chrono::milliseconds(20);

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

PrintSpool::PrintSpool(ScopedTimers& timers, PrintPrograms programs)
    : timers_(timers), programs_(std::move(programs)) {}

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
    const int id = NextTimer();
    if (id >= 0)
        job->child = SpawnChild(LpArguments(programs_, request), {}, job->result.error);
    else
        job->result.error = EAGAIN;
    if (job->child.pid < 0) {
        if (request.remove_file) std::remove(request.file.c_str());
        job->done(job->result);
        return;
    }
    job->result.started = true;
    job->timer = kFirstJobTimer + id;
    job->deadline = std::chrono::steady_clock::now() + programs_.job_timeout;
    Job& j = *job;
    jobs_[id] = std::move(job);
    timers_.loop().WatchReadable(j.child.output, [this, id] { OnOutput(id); });
    timers_.Start(j.timer, programs_.job_timeout, true, [this, id] {
        auto it = jobs_.find(id);
        if (it == jobs_.end()) return;
        StopChild(it->second->child.pid, it->second->result);
        Finish(id);
    });
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
    if (std::chrono::steady_clock::now() >= job.deadline) {
        StopChild(job.child.pid, job.result);
        Finish(id);
        return;
    }
    // The output has closed, so the end is near: look again shortly.
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
