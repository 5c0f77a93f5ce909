// The texts file transfer shows: progress texts, dialog messages and their titles.
#pragma once

namespace orkan::transfer_msg {

// Progress texts.
inline constexpr const char* kBytesTransferred = "Bytes transferred = %s";
inline constexpr const char* kComplete = "File transfer complete - %s bytes";
inline constexpr const char* kCompleteHostText = "File transfer complete";
inline constexpr const char* kDownloadStarted = "Download %s to %s";
inline constexpr const char* kUploadStarted = "Upload %s to %s";
inline constexpr const char* kDownloadCancelled = "Download cancelled at user request";
inline constexpr const char* kUploadCancelled = "Upload cancelled at user request";
inline constexpr const char* kUploadIncomplete = "The upload failed (%s): the host file is incomplete.";
inline constexpr const char* kHostSaidComplete = "The host ended with \"%s\", but this transfer failed:";
inline constexpr const char* kUploadStopped = "The upload was stopped (%s).";
inline constexpr const char* kDownloadKeptOld = "The download failed: %s was left as it was.";
inline constexpr const char* kTimedOut =
    "The host did not answer for %d seconds: the file transfer was stopped.";
inline constexpr const char* kCommandUnanswered =
    "The host did not answer the transfer command for %d seconds (is its file transfer program there?): the "
    "file transfer was stopped.";
inline constexpr const char* kProgramDidNotStart =
    "The host did not start its file transfer program: it is waiting for input again (see its screen).";
inline constexpr const char* kConnectionLost = "The connection to the host ended during the file transfer.";
inline constexpr const char* kDataWithoutDownload =
    "The host sent file data, but no download is in progress.";
inline constexpr const char* kCannotReplace = "The downloaded file could not replace %s: %s";

// Starting a transfer.
inline constexpr const char* kPathTooLongTitle = "Path too long";
inline constexpr const char* kPathTooLong =
    "Path length exceeds 256, please shorten the directory or filename.";
inline constexpr const char* kTransferErrorTitle = "Orkan TN3270 File Transfer Error";
inline constexpr const char* kBlockSizeTooSmall =
    "The transfer block size (TRANSFERBLOCKSIZE) is %u bytes; a file transfer needs at least 256.";
inline constexpr const char* kNotConnected = "The session is not connected to a host.";
inline constexpr const char* kNot3270 =
    "The session is not in 3270 mode: a file transfer needs the host's transfer program on a 3270 screen.";
inline constexpr const char* kAlreadyRunning = "A file transfer is already in progress in this session.";
inline constexpr const char* kKeyboardLocked =
    "The keyboard is locked: the transfer command cannot be typed until the host unlocks it.";
inline constexpr const char* kCommandNotTyped =
    "The transfer command could not be typed at the cursor (a protected field or a field too short for "
    "it).\nPut the cursor on the host's command line and try again.";
inline constexpr const char* kNoHostFile = "No host file name was given.";
inline constexpr const char* kNoPcFile = "No PC file name was given.";
inline constexpr const char* kNameNotStorable = "The file name %s cannot be stored in the session: %s";
inline constexpr const char* kNoTransferTable =
    "The PC code page (PCCODEPAGE) \"%s\" is not in country.lst, so there is no table to translate a text "
    "file with. Nothing was transferred: choose a PC code page that country.lst lists, or transfer the file "
    "as binary.";
inline constexpr const char* kUploadNotText = "%s cannot be sent as text: %s.";
inline constexpr const char* kUploadNotCarried =
    "%s cannot be sent as text: it holds %s that the host would not get as they are, through the PC code "
    "page (PCCODEPAGE) and the host code page (SCREEN) of this session. Nothing was sent: choose the code "
    "page the file is written in, or send it as binary.";
inline constexpr const char* kDownloadNotCarried =
    "%s holds %s of the host's that the PC code page (PCCODEPAGE) has no place for: they were written as "
    "the transfer table places them and do not read as on the host, and the file cannot be sent back as "
    "text. Receive it as binary to keep the host's bytes.";

// Closing the dialog during a transfer.
inline constexpr const char* kInProgressTitle = "File Transfer in Progress";
inline constexpr const char* kInProgress =
    "A file transfer is currently in progress.\nPress Ok to interrupt the transfer and exit";

// Multiple-file transfers.
inline constexpr const char* kWildcardTitle = "Wildcard character error";
inline constexpr const char* kDownloadWildcard =
    "For multiple file transfers, both the source and\ntarget filenames must contain the wildcard character "
    "'*'";
inline constexpr const char* kUploadWildcard =
    "For multiple file transfers, both the source and\ntarget filenames must contain an asterisk.";
inline constexpr const char* kNoHostFilesTitle = "No files in host list";
inline constexpr const char* kNoHostFiles =
    "For multiple downloads, you need to click the List button\nto create a list of host dataset or member "
    "names.";
inline constexpr const char* kNoPcFilesTitle = "No files in PC list";
inline constexpr const char* kNoPcFiles =
    "For multiple uploads, you need to select a\nsource directory that contains some files.";
inline constexpr const char* kNoHostMatch =
    "No datasets or members in the source list\nmatched the source file specification.";
inline constexpr const char* kNoPcMatchTitle = "Source file specification error";
inline constexpr const char* kNoPcMatch = "No files match the specified source file pattern";
inline constexpr const char* kSameTarget =
    "%s and %s would both be written to %s. Name the target so that each file gets a name of its own.";
inline constexpr const char* kNameNotQuotable =
    "The name %s cannot be written into the transfer macro (it holds a control character or is longer than "
    "255 bytes).";
inline constexpr const char* kMacroFileError = "The transfer macro %s could not be written: %s";

// The log viewer.
inline constexpr const char* kLogTitle = " File Transfer Log - transfer.log";

}  // namespace orkan::transfer_msg
