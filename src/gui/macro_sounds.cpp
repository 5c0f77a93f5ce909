#include "gui/macro_sounds.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>

namespace orkan {

void PlayMacroTone() {
    QApplication::beep();
}

void PlayMacroSoundFile(const std::string& path) {
    const QString file = QString::fromStdString(path);
    if (!QFileInfo(file).isFile() || !QProcess::startDetached("paplay", {file})) QApplication::beep();
}

}  // namespace orkan
