#include "print/printer_target.h"

#include <unistd.h>

#include <filesystem>

#include "config/profile_file.h"

namespace orkan {

namespace {

bool EndsWith(std::string_view name, std::string_view suffix) {
    return name.size() >= suffix.size() && EqualsIgnoreCase(name.substr(name.size() - suffix.size()), suffix);
}

bool QueueNameAllowed(std::string_view name) {
    if (name.empty() || name.size() > 127 || name.front() == '-') return false;
    for (unsigned char c : name)
        if (c <= 0x20 || c == 0x7F || c == '/' || c == '\\' || c == '#' || c == '\'' || c == '"' || c == '?')
            return false;
    return true;
}

std::optional<std::string> DefaultDestination(const ChildResult& r, const PrintPrograms& programs,
                                              std::optional<std::string>& note) {
    if (!r.Succeeded()) {
        note = programs.lpstat + " could not tell the default destination: " + r.Describe();
        return std::nullopt;
    }
    constexpr std::string_view kPrefix = "system default destination: ";
    const size_t at = r.output.find(kPrefix);
    if (at == std::string::npos) return std::nullopt;
    std::string name = r.output.substr(at + kPrefix.size());
    name = name.substr(0, name.find_first_of("\r\n"));
    if (!QueueNameAllowed(name)) return std::nullopt;
    return name;
}

}  // namespace

PrinterTarget ClassifyPrinter(std::string_view name) {
    if (name.empty() || EqualsIgnoreCase(name, kDefaultPrinter)) return {PrinterKind::DefaultQueue, ""};
    if (EndsWith(name, ".pdf")) return {PrinterKind::PdfFile, std::string(name)};
    if (EndsWith(name, ".txt")) return {PrinterKind::TextFile, std::string(name)};
    if (QueueNameAllowed(name)) return {PrinterKind::Queue, std::string(name)};
    return {PrinterKind::Invalid, std::string(name)};
}

std::string PrinterNameForRun(std::string_view name) {
    const PrinterTarget target = ClassifyPrinter(name);
    if (target.kind != PrinterKind::PdfFile && target.kind != PrinterKind::TextFile) return std::string(name);
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(target.name, ec);
    return ec ? target.name : absolute.lexically_normal().string();
}

std::vector<std::string> PrinterQuestion(const PrinterTarget& target, const PrintPrograms& programs) {
    switch (target.kind) {
        case PrinterKind::DefaultQueue:
            return {programs.lpstat, "-d"};
        case PrinterKind::Queue:
            return {programs.lpstat, "-p", target.name};
        case PrinterKind::PdfFile:
        case PrinterKind::TextFile:
        case PrinterKind::Invalid:
            break;
    }
    return {};
}

OpenedPrinter OpenPrinter(const PrinterTarget& target, const ChildResult& answer,
                          const PrintPrograms& programs) {
    OpenedPrinter opened;
    opened.target = target;
    switch (opened.target.kind) {
        case PrinterKind::Invalid:
            opened.note = "A printer is a CUPS queue, <default>, or a file whose name ends in .pdf or .txt.";
            return opened;
        case PrinterKind::PdfFile:
        case PrinterKind::TextFile: {
            // Said here, before anything is drawn, rather than as a failed write after the sheet.
            std::filesystem::path folder = std::filesystem::path(opened.target.name).parent_path();
            if (folder.empty()) folder = ".";
            std::error_code ec;
            if (!std::filesystem::is_directory(folder, ec))
                opened.note = "The folder " + folder.string() + " does not exist.";
            else if (access(folder.c_str(), W_OK) != 0)
                opened.note = "The folder " + folder.string() + " cannot be written to.";
            else if (std::filesystem::is_directory(opened.target.name, ec))
                opened.note = opened.target.name + " is a folder.";
            else
                opened.ok = true;
            return opened;
        }
        case PrinterKind::DefaultQueue: {
            const std::optional<std::string> queue = DefaultDestination(answer, programs, opened.note);
            if (!queue) return opened;
            opened.target.name = *queue;
            opened.ok = true;
            return opened;
        }
        case PrinterKind::Queue:
            if (!answer.started || answer.timed_out)
                opened.note = programs.lpstat + " could not be asked: " + answer.Describe();
            opened.ok = answer.Succeeded();
            return opened;
    }
    return opened;
}

}  // namespace orkan
