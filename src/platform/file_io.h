// How the program opens the files it writes. Names that are fixed or easy to guess (the trace,
// debug screens, capture and save-screen files, recordings, the ork$ temporaries, the download
// temporary, print files, the transfer log) sit in folders other users or programs may reach, so a
// symbolic link planted at the name must never redirect the write: the last part of the name is
// never followed, a new file is created exclusively, and anything but a regular file is refused.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace orkan {

enum class WriteMode {
    CreateNew,  // fails with EEXIST when anything is at the name
    Replace,    // a new file, or the regular file there emptied
    Append,     // a new file, or the regular file there written at its end
};

enum class FileAccess {
    Private,  // 0600, also for a file that was there with a wider mode: it may hold host data
    Shared,   // 0666 less the umask for a new file; a file that was there keeps its mode
};

enum class MissingFolder { Make, Fail };

// The descriptor, or -1 with errno set: ELOOP when the name is a symbolic link, EINVAL when it is
// not a regular file (a FIFO, a device).
[[nodiscard]] int OpenForWriting(const std::string& path, WriteMode mode, FileAccess access,
                                 MissingFolder folder = MissingFolder::Make);

// The same as a stdio stream (binary); null with errno set.
[[nodiscard]] std::FILE* OpenStreamForWriting(const std::string& path, WriteMode mode, FileAccess access,
                                              MissingFolder folder = MissingFolder::Make);

// `path` opened with `flags` (O_RDONLY, or O_WRONLY with O_CREAT or O_APPEND; a new file gets 0666
// less the umask), links followed, but only when it is a regular file: the open never blocks on a
// FIFO, and anything else is refused with EINVAL (EISDIR for a folder). The descriptor, with
// `size` set when asked, or -1 with errno set.
[[nodiscard]] int OpenRegularFile(const std::string& path, int flags, off_t* size = nullptr);

// A file the user or their macro names, opened as fopen would ("rb", "wb" or "ab": links followed,
// 0666 less the umask), except that anything but a regular file is refused with EINVAL at once: a
// FIFO or a device would stall the loop or the macro's thread that reads or writes it.
[[nodiscard]] std::FILE* OpenUserFile(const std::string& path, const char* mode);

// 0, or ELOOP when `path` is a symbolic link: for writers that replace a file by renaming a new
// one over it, which must not reach through a link either.
[[nodiscard]] int RefuseSymbolicLink(const std::string& path);

// 0, or the errno an open of the existing file `path` (of mode `mode`) for writing would give:
// for writers that rename a new file over it, which must not get round the protection the user
// gave the old one. A file with no write permission at all is refused (EACCES) even to root.
[[nodiscard]] int RefuseReadOnlyFile(const std::string& path, mode_t mode);

// Writes all of `bytes` (retrying short writes and interruptions). 0, or the errno of the failure.
[[nodiscard]] int WriteAllBytes(int fd, std::span<const uint8_t> bytes);

// A private file written whole in one go: 0, or the errno of the failure (a file cut short is
// removed again).
[[nodiscard]] int WritePrivateFile(const std::string& path, std::span<const uint8_t> bytes);

// The reason for a failed open or write in words: the system's text, except that the refusals
// above say what was found at the name, and EILSEQ that a text file is UTF-16.
std::string FileErrorText(int error);
// The same without a closing full stop, for a reason in brackets: "(The name is not a regular file)".
std::string FileErrorReason(int error);

}  // namespace orkan
