// The host code page the fuzz targets run with; a failure to open it stops the run at once.
#pragma once

#include <string>

#include "codec.h"

inline const testhost::Codec& Cp037() {
    static const testhost::Codec codec = [] {
        testhost::Codec c;
        std::string error;
        if (!c.Open("IBM-037", error)) __builtin_trap();
        return c;
    }();
    return codec;
}
