// The editors' side of the key files: files read with the parsers start-up uses, written with its
// writer (an atomic replace: a file that cannot be written stays whole), and what the running
// session takes from an editor: an edited map or button file at once, a saved file as the
// session's own (its name in the session file).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/folders.h"
#include "interfaces/ui.h"
#include "keyboard/key_files.h"

namespace orkan {

struct Session;

// The file at `path` as `kind`; nothing after the message that says why not.
std::optional<KeyMap> ReadKeyMapFile(Ui& ui, const std::string& path, bool additional_keys);
std::optional<ButtonFile> ReadButtonFile(Ui& ui, KeyFileKind kind, const std::string& path);

// The standard file of a kind as installed (else the copy in the key data folder).
std::string StandardKeyFilePath(const Folders& folders, KeyFileKind kind);

// The session's file of a kind as its file holds it (the key map without the country layout).
KeyMap SessionKeyMap(const Session& session);
ButtonFile SessionButtonFile(const Session& session, KeyFileKind kind);

// The running session takes an edited map (with its country layout) or button file at once; the
// window's tool bar, keypad and menu texts follow.
void UseKeyMap(Session& session, const KeyMap& stored);
void UseButtonFile(Session& session, KeyFileKind kind, const ButtonFile& file);

// Writes `bytes` in place of `path`, then makes that file the session's file of its kind: loaded
// again as start-up loads it and named in the session file, which is saved. False after a message.
[[nodiscard]] bool SaveKeyFileForSession(Session& session, KeyFileKind kind, const std::string& path,
                                         std::span<const uint8_t> bytes);

// The name a session stores for a key file: without the folder when it lies in the key data folder.
std::string KeyFileNameFor(const Folders& folders, const std::string& path);

// The stored tool bars: the .bar files of the key data folder and of the installation's defaults
// (the user's copy of a name wins), by name.
struct ToolBarVariant {
    std::string name;  // the file name, as the session stores it
    std::string path;
};
std::vector<ToolBarVariant> ListToolBarVariants(const Folders& folders);
// Makes a stored tool bar the session's (EDITTOOLBAR, saved with the session): by its name when it
// lies in the key data folder, else by its path. False after a message.
[[nodiscard]] bool UseToolBarVariant(Session& session, const ToolBarVariant& variant);

}  // namespace orkan
