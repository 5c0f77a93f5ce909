// The trace reader and its listing over arbitrary bytes. A file read without error is written
// again item by item and must read back the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "capture/trace_file.h"
#include "capture/trace_format.h"
#include "capture/trace_listing.h"
#include "capture/trace_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orkan;
    const TraceContents trace = ReadTrace(std::span(data, size));
    (void)FormatTrace(trace);
    TraceListingOptions ascii;
    ascii.ascii_host = true;
    (void)FormatTrace(trace, ascii);
    for (const TraceItem& item : trace.items) (void)DescribeTelnet(item.payload);

    if (!trace.error.empty()) return 0;
    for (const TraceItem& item : trace.items)
        if (item.type == trace_format::kContinued) return 0;  // a lone continuation joins when written again
    std::vector<uint8_t> again = EncodeTraceHeader(trace.header);
    for (const TraceItem& item : trace.items)
        (void)AppendTraceItem(again, item.type, item.time, item.payload);
    const TraceContents back = ReadTrace(again);
    if (!back.error.empty() || back.header != trace.header || back.items.size() != trace.items.size())
        std::abort();
    for (size_t i = 0; i < back.items.size(); ++i) {
        if (back.items[i].type != trace.items[i].type || back.items[i].time != trace.items[i].time ||
            back.items[i].payload != trace.items[i].payload)
            std::abort();
    }
    return 0;
}
