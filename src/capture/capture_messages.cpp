#include "capture/capture_messages.h"

#include "charset/display_unicode.h"
#include "platform/file_io.h"

namespace orkan::capture_msg {

namespace {

constexpr std::string_view kConfidential =
    "\n\nMake sure this file is not accessible to others, since\nit may contain confidential data. "
    "Nondisplay input "
    "fields \nsuch as passwords have been replaced with XXXXXXXX";

constexpr const char* kFileErrorTitle = "Orkan TN3270 File Error";

std::string Reason(int error) {
    return Shown(FileErrorText(error));
}

}  // namespace

std::string Shown(std::string_view path) {
    return Utf8ToDisplay(path).text;
}

MessageBox SaveError(int error, std::string_view path) {
    return {"File Save Error",
            "Error " + std::to_string(error) + " while saving " + Shown(path) + "\n\n" + Reason(error),
            Buttons::Ok, Icon::Error};
}

MessageBox TraceStarted(std::string_view file_name) {
    return {"Trace Started",
            "Screen data will now be traced to file " + Shown(file_name) + "." + std::string(kConfidential),
            Buttons::Ok, Icon::Information};
}

MessageBox TraceStopped(std::string_view file_name, std::string_view folder) {
    return {"Trace Stopped",
            "File " + Shown(file_name) + " contains trace data. Location is\n" + Shown(folder) +
                std::string(kConfidential),
            Buttons::Ok, Icon::Information};
}

MessageBox TraceWriteFailed(int error, std::string_view path) {
    return {"Trace Stopped",
            "Writing the trace to " + Shown(path) + " failed: " + Reason(error) +
                ".\nTracing has stopped; the file holds what was traced before.",
            Buttons::Ok, Icon::Error};
}

MessageBox BuffersDumped(std::string_view file_name) {
    return {
        "Buffers Dumped",
        "Screen buffers were dumped to file " + Shown(file_name) +
            ".\n\nMake sure this file is not accessible to others, since\nit may contain passwords or other "
            "important data.",
        Buttons::Ok, Icon::Information};
}

MessageBox DebugFileNotFound(std::string_view path) {
    return {"Orkan TN3270 Session File Error", "Debug file " + Shown(path) + " was not found", Buttons::Ok,
            Icon::Error};
}

MessageBox DebugFileUnreadable(int error, std::string_view path) {
    return {kFileErrorTitle, "Debug file " + Shown(path) + " cannot be read: " + Reason(error), Buttons::Ok,
            Icon::Error};
}

MessageBox NotADebugFile(std::string_view path) {
    return {kFileErrorTitle, Shown(path) + " is not a valid Orkan TN3270 debug file for this version",
            Buttons::Ok, Icon::Error};
}

MessageBox NoRecordToSave() {
    return {"File Save Error",
            "No screen has come from the host yet, so there is nothing to save for debugging.", Buttons::Ok,
            Icon::Warning};
}

MessageBox RecordTooLongToSave(size_t length) {
    return {"File Save Error",
            "The last record from the host is " + std::to_string(length) +
                " bytes long; a debug file holds at most 65533 bytes, so it was not saved.",
            Buttons::Ok, Icon::Warning};
}

MessageBox ListingWritten(std::string_view path) {
    return {"Orkan TN3270", "The data-stream listing was written to " + Shown(path) + ".", Buttons::Ok,
            Icon::Information};
}

MessageBox EditorFailed(std::string_view editor, std::string_view error) {
    return {"Orkan TN3270 Error",
            "The editor \"" + Shown(editor) + "\" could not be started: " + Shown(error), Buttons::Ok,
            Icon::Error};
}

MessageBox ScreenNotSaved(int error, std::string_view path) {
    return {kFileErrorTitle, "The screen could not be saved to " + Shown(path) + ": " + Reason(error),
            Buttons::Ok, Icon::Error};
}

MessageBox NoScreenFileName() {
    return {
        kFileErrorTitle,
        "No file name is set for saving the screen. Set one in the options (session option \"FILE\") or use "
        "Save Screen to Disk Ask.",
        Buttons::Ok, Icon::Warning};
}

MessageBox CaptureStopped(int error, std::string_view path) {
    return {
        kFileErrorTitle,
        "Screen capture has stopped: the screen could not be saved to " + Shown(path) + ": " + Reason(error),
        Buttons::Ok, Icon::Error};
}

MessageBox ScreenFolderNotMade(int error, std::string_view folder, bool capturing) {
    return {kFileErrorTitle,
            std::string(capturing ? "Screen capture has stopped: the" : "The") +
                " screen could not be saved: the folder " + Shown(folder) +
                " could not be made: " + Reason(error),
            Buttons::Ok, Icon::Error};
}

MessageBox NeedsFileName(std::string_view command, std::string_view how_to_name_it) {
    return {"Orkan TN3270 Error",
            std::string(command) + " asks for a file name, and this program has no dialogs. " +
                std::string(how_to_name_it),
            Buttons::Ok, Icon::Error};
}

}  // namespace orkan::capture_msg
