// What a printer name stands for: "<default>" (CUPS's default destination), a CUPS queue, or a
// file whose name ends in ".pdf" or ".txt", which selects that kind of output.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "print/child_process.h"

namespace orkan {

inline constexpr std::string_view kDefaultPrinter = "<default>";

enum class PrinterKind : uint8_t { DefaultQueue, Queue, PdfFile, TextFile, Invalid };

struct PrinterTarget {
    PrinterKind kind = PrinterKind::Invalid;
    std::string name;  // the queue or the path (UTF-8); for DefaultQueue the queue once resolved
};

// Names only; nothing is looked up. Empty is the default. A queue name holding what CUPS never
// allows (blanks, "/", "#", quotes, control characters, a leading "-") is Invalid.
PrinterTarget ClassifyPrinter(std::string_view name);

// A name given for this run (--printer): output files become absolute, so they stay where they
// were named when the program changes to its documents folder.
std::string PrinterNameForRun(std::string_view name);

// The programs that talk to CUPS; tests put stand-ins in their place.
struct PrintPrograms {
    std::string lp = "lp";
    std::string lpstat = "lpstat";
    std::chrono::milliseconds query_timeout{10000};
    std::chrono::milliseconds job_timeout{60000};
};

struct OpenedPrinter {
    PrinterTarget target;
    std::optional<std::string> note;  // why it could not be opened, beyond "not found"
    bool ok = false;
};

// What opening `target` has to ask CUPS: lpstat's command line for a queue (-p NAME) or for the
// default destination (-d); empty for a file or an invalid name, which need no question.
std::vector<std::string> PrinterQuestion(const PrinterTarget& target, const PrintPrograms& programs);

// "Opening" the printer: a queue must be known to CUPS, "<default>" must resolve to a destination
// (both told by `answer`, lpstat's result for the question above), an output file's folder must
// exist and be writable. The question runs beside the loop; this only reads its answer.
OpenedPrinter OpenPrinter(const PrinterTarget& target, const ChildResult& answer,
                          const PrintPrograms& programs);

}  // namespace orkan
