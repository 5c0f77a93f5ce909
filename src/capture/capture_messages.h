// The message boxes of screen saving, capture, the trace and the debug files, in one place.
// Texts are display bytes; file names arrive as UTF-8 paths and are converted here.
#pragma once

#include <string>
#include <string_view>

#include "interfaces/ui.h"

namespace orkan::capture_msg {

// A path as a message shows it (display bytes; "?" for a character Windows-1252 lacks).
std::string Shown(std::string_view path);

// "Error %d while saving %s", then what the error number means.
MessageBox SaveError(int error, std::string_view path);

MessageBox TraceStarted(std::string_view file_name);
MessageBox TraceStopped(std::string_view file_name, std::string_view folder);
MessageBox TraceWriteFailed(int error, std::string_view path);
MessageBox BuffersDumped(std::string_view file_name);

MessageBox DebugFileNotFound(std::string_view path);
MessageBox DebugFileUnreadable(int error, std::string_view path);
MessageBox NotADebugFile(std::string_view path);
MessageBox NoRecordToSave();
MessageBox RecordTooLongToSave(size_t length);

MessageBox ListingWritten(std::string_view path);
MessageBox EditorFailed(std::string_view editor, std::string_view error);

MessageBox ScreenNotSaved(int error, std::string_view path);
MessageBox NoScreenFileName();
MessageBox CaptureStopped(int error, std::string_view path);
// The folder a screen was to go into could not be made: named with the real reason.
MessageBox ScreenFolderNotMade(int error, std::string_view folder, bool capturing);

// A command that would ask for a file name, in a program without dialogs.
MessageBox NeedsFileName(std::string_view command, std::string_view how_to_name_it);

}  // namespace orkan::capture_msg
