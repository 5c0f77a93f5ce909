// testhost as a child process for the end-to-end tests: the port is the first line it prints.
// The host dies with the test program (a test that aborts leaves no host behind), and its stderr
// goes nowhere, so it never holds the test runner's output pipe open.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace orkan::test {

class TestHostProcess {
  public:
    TestHostProcess() = default;
    TestHostProcess(const TestHostProcess&) = delete;
    TestHostProcess& operator=(const TestHostProcess&) = delete;
    ~TestHostProcess();

    // Starts `testhost --port 0 ARGUMENTS...`. False when testhost is not built or did not start.
    [[nodiscard]] bool Start(const std::vector<std::string>& arguments);
    const std::string& port() const { return port_; }

  private:
    pid_t pid_ = -1;
    std::string port_;
};

}  // namespace orkan::test
