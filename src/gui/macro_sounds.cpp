#include "gui/macro_sounds.h"

#include <QApplication>
#include <QFileInfo>

#include "platform/process.h"

namespace orkan {

void PlayMacroTone() {
    QApplication::beep();
}

void PlayMacroSoundFile(const std::string& path) {
    ProcessOptions player;
    player.argv = {"paplay", path};
    player.detached = true;
    if (!QFileInfo(QString::fromStdString(path)).isFile() || !StartProcess(player).Started())
        QApplication::beep();
}

}  // namespace orkan
