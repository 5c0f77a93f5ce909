// The screen and its status line as a PNG, drawn as the window draws them in the session's
// colours (docs/api.md, "Screenshots"). Non-display fields stay blank whatever they hold.
#pragma once

#include <string>

#include "api/png_engine.h"

namespace orkan {

struct Session;

// The cells the engine draws.
ScreenImage BuildScreenImage(const Session& session);

enum class ScreenshotResult { Ok, NoEngine, Failed };
ScreenshotResult DrawScreenshot(const Session& session, std::string& png, std::string& error);

}  // namespace orkan
