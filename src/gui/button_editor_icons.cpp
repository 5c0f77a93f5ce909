#include "gui/button_editor_icons.h"

#include <QApplication>
#include <QStyle>
#include <array>

namespace orkan {
namespace {

struct IconRow {
    ButtonIconChoice choice;
    QStyle::StandardPixmap fallback;
};

// clang-format off
constexpr std::array<IconRow, 24> kIcons = {{
    {{"go-next", "Arrow right"}, QStyle::SP_ArrowRight},
    {{"go-previous", "Arrow left"}, QStyle::SP_ArrowLeft},
    {{"go-up", "Arrow up"}, QStyle::SP_ArrowUp},
    {{"go-down", "Arrow down"}, QStyle::SP_ArrowDown},
    {{"go-home", "Home"}, QStyle::SP_DirHomeIcon},
    {{"dialog-ok", "Check mark"}, QStyle::SP_DialogOkButton},
    {{"dialog-cancel", "Cross"}, QStyle::SP_DialogCancelButton},
    {{"edit-clear", "Clear"}, QStyle::SP_DialogResetButton},
    {{"edit-undo", "Undo"}, QStyle::SP_ArrowBack},
    {{"edit-redo", "Redo"}, QStyle::SP_ArrowForward},
    {{"process-stop", "Stop"}, QStyle::SP_BrowserStop},
    {{"view-refresh", "Refresh"}, QStyle::SP_BrowserReload},
    {{"document-save", "Save"}, QStyle::SP_DialogSaveButton},
    {{"document-open", "Open"}, QStyle::SP_DialogOpenButton},
    {{"folder", "Folder"}, QStyle::SP_DirIcon},
    {{"text-x-generic", "Document"}, QStyle::SP_FileIcon},
    {{"computer", "Computer"}, QStyle::SP_ComputerIcon},
    {{"network-server", "Host"}, QStyle::SP_DriveNetIcon},
    {{"help-contents", "Help"}, QStyle::SP_DialogHelpButton},
    {{"dialog-information", "Information"}, QStyle::SP_MessageBoxInformation},
    {{"dialog-warning", "Warning"}, QStyle::SP_MessageBoxWarning},
    {{"media-playback-start", "Play"}, QStyle::SP_MediaPlay},
    {{"media-playback-pause", "Pause"}, QStyle::SP_MediaPause},
    {{"user-trash", "Waste basket"}, QStyle::SP_TrashIcon},
}};
// clang-format on

std::array<ButtonIconChoice, kIcons.size()> Choices() {
    std::array<ButtonIconChoice, kIcons.size()> out{};
    for (size_t i = 0; i < kIcons.size(); ++i) out[i] = kIcons[i].choice;
    return out;
}

}  // namespace

std::span<const ButtonIconChoice> ButtonIconChoices() {
    static const std::array<ButtonIconChoice, kIcons.size()> choices = Choices();
    return choices;
}

QIcon ButtonIcon(std::string_view name) {
    for (const IconRow& row : kIcons) {
        if (row.choice.name != name) continue;
        const QString theme = QString::fromLatin1(name.data(), qsizetype(name.size()));
        return QIcon::fromTheme(theme, QApplication::style()->standardIcon(row.fallback));
    }
    return {};
}

}  // namespace orkan
