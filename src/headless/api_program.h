// The headless program with the automation interface (--api, --api-socket PATH): one session whose
// requests come as JSON lines (docs/api.md). A connection that ends does not end the program;
// `quit`, the end of stdin and SIGINT, SIGTERM or SIGHUP do (status 0). Start-up failures end it
// with status 8, as for the headless program.
#pragma once

#include "app/command_line.h"

namespace orkan {

class StderrUi;

// Runs the interface until it ends; returns the exit status.
int RunApi(const CommandLine& cl, StderrUi& ui);

}  // namespace orkan
