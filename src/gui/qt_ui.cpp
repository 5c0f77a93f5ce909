#include "gui/qt_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QTreeView>
#include <cstdio>

#include "charset/display_unicode.h"
#include "config/data_file.h"
#include "gui/find_dialog.h"
#include "gui/macro_debug_window.h"
#include "gui/macro_edit_box.h"
#include "gui/print_dialog.h"
#include "gui/qt_text.h"
#include "gui/record_dialog.h"

namespace orkan {

namespace {

struct ButtonSet {
    QMessageBox::StandardButtons all;
    QMessageBox::StandardButton first;
    QMessageBox::StandardButton escape;
};

ButtonSet ButtonsFor(Buttons buttons) {
    using B = QMessageBox;
    switch (buttons) {
        case Buttons::Ok:
            return {B::Ok, B::Ok, B::Ok};
        case Buttons::OkCancel:
            return {B::Ok | B::Cancel, B::Ok, B::Cancel};
        case Buttons::YesNo:
            return {B::Yes | B::No, B::Yes, B::No};
        case Buttons::YesNoCancel:
            return {B::Yes | B::No | B::Cancel, B::Yes, B::Cancel};
        case Buttons::RetryCancel:
            return {B::Retry | B::Cancel, B::Retry, B::Cancel};
        case Buttons::AbortRetryIgnore:
            return {B::Abort | B::Retry | B::Ignore, B::Retry, B::Abort};
    }
    return {B::Ok, B::Ok, B::Ok};
}

// Modal windows only from the GUI thread of a running application, and none while the program ends.
bool CanShowWindows(bool dismissed) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread() && !dismissed;
}

QMessageBox::Icon IconFor(Icon icon) {
    switch (icon) {
        case Icon::None:
            return QMessageBox::NoIcon;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBox& box, QWidget* parent) {
    auto m = std::make_unique<QMessageBox>(parent);
    m->setWindowTitle(DisplayToQString(box.title));
    m->setText(DisplayToQString(box.text));
    m->setTextFormat(Qt::PlainText);  // host and file names must never turn into markup
    m->setIcon(IconFor(box.icon));
    const ButtonSet set = ButtonsFor(box.buttons);
    m->setStandardButtons(set.all);
    m->setDefaultButton(set.first);
    m->setEscapeButton(set.escape);
    return m;
}

Answer AnswerFor(QMessageBox::StandardButton button, Buttons buttons) {
    switch (button) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Retry:
            return Answer::Retry;
        case QMessageBox::Abort:
            return Answer::Abort;
        case QMessageBox::Ignore:
            return Answer::Ignore;
        default:
            return SafestAnswer(buttons);  // closed by the window manager
    }
}

Answer QtUi::ShowMessage(const MessageBox& box) {
    if (on_shown) on_shown(box);
    // Only the GUI thread may show a box (anything else is a programming error that must not hang),
    // and none while the program ends.
    if (!CanShowWindows(dismissed_)) {
        const std::string text = DisplayToUtf8(box.title + ": " + box.text);
        std::fprintf(stderr, "%s\n", text.c_str());
        return SafestAnswer(box.buttons);
    }
    const std::unique_ptr<QMessageBox> m = MakeMessageBox(box, parent_.data());
    open_ = m.get();
    m->exec();
    open_ = nullptr;
    if (dismissed_) return SafestAnswer(box.buttons);
    return AnswerFor(QMessageBox::StandardButton(int(m->standardButton(m->clickedButton()))), box.buttons);
}

void QtUi::Dismiss() {
    dismissed_ = true;
    if (open_) open_->reject();
    if (open_dialog_) open_dialog_->reject();
    if (open_menu_) open_menu_->close();
}

std::string QtUi::ClipboardText() const {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return Ui::ClipboardText();
    QString text = QGuiApplication::clipboard()->text(QClipboard::Clipboard);
    // Text copied in programs that write CR LF still arrives with one line end per line.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.toStdString();
}

void QtUi::SetClipboardText(std::string_view utf8) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        Ui::SetClipboardText(utf8);
        return;
    }
    const QString text = Utf8ToQString(utf8);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    if (also_primary_ && clipboard->supportsSelection()) clipboard->setText(text, QClipboard::Selection);
}

std::optional<FindDialogAnswer> QtUi::AskFind(const FindDialogRequest& request) {
    if (!CanShowWindows(dismissed_)) return std::nullopt;
    FindDialog dialog(*this, request, parent_.data());
    open_dialog_ = &dialog;
    dialog.exec();
    open_dialog_ = nullptr;
    return dialog.Result();
}

std::optional<RecordMacroAnswer> QtUi::AskRecordMacro(const RecordMacroRequest& request) {
    if (!CanShowWindows(dismissed_)) return std::nullopt;
    RecordDialog dialog(request, parent_.data());
    for (;;) {
        open_dialog_ = &dialog;
        dialog.exec();
        open_dialog_ = nullptr;
        if (dismissed_) return std::nullopt;
        std::optional<RecordMacroAnswer> answer = dialog.Answer();
        // The recorder writes NAME.mac whatever extension NAME has: the question is about that
        // file. No goes back to the dialog, as the file dialog's own question does.
        if (!answer || MayReplace(QString::fromStdString(DataFilePath(answer->file, request.folder, "mac")),
                                  dialog.windowTitle()))
            return answer;
        if (dismissed_) return std::nullopt;
    }
}

std::optional<std::string> QtUi::AskEditBox(const EditBoxRequest& request) {
    if (!CanShowWindows(dismissed_)) return std::nullopt;
    MacroEditBox dialog(request, parent_.data());
    open_dialog_ = &dialog;
    dialog.exec();
    open_dialog_ = nullptr;
    if (dismissed_) return std::nullopt;
    return dialog.Result();
}

void QtUi::AddDebugLine(std::string_view display_text) {
    if (debug_window_) {
        debug_window_->AddLine(display_text);
        return;
    }
    const std::string line = "Debug: " + DisplayToUtf8(display_text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void QtUi::ControlDebugWindow(DebugWindowAction action) {
    if (debug_window_) debug_window_->Apply(action);
}

std::optional<uint16_t> QtUi::ChooseFromMenu(const std::vector<MenuItem>& items) {
    if (!CanShowWindows(dismissed_)) return std::nullopt;
    const std::unique_ptr<QMenu> menu = MakePopupMenu(items, parent_.data());
    open_menu_ = menu.get();
    const QAction* chosen = menu->exec(QCursor::pos());
    open_menu_ = nullptr;
    if (!chosen || dismissed_) return std::nullopt;
    return uint16_t(chosen->data().toUInt());
}

std::optional<PrintDialogAnswer> QtUi::AskPrinter(const PrintDialogRequest& request) {
    if (!CanShowWindows(dismissed_)) return std::nullopt;
    return RunPrintDialog(parent_.data(), request, open_dialog_);
}

namespace {

// "*.ses" as "*.[sS][eE][sS]": file names from other systems come in either case.
QString CaseBlindPattern(const std::string& pattern) {
    QString out;
    for (const QChar c : QString::fromStdString(pattern)) {
        if (c.isLetter() && c.toLower() != c.toUpper()) {
            out += '[';
            out += c.toLower();
            out += c.toUpper();
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

// Qt's own file dialog opens with columns of fixed widths that cut long names and dates: once a
// folder is read they take the width of what they show, and the dialog grows to show them all,
// within its screen. (The desktop's own dialog, where one is used, has none of these parts.)
void FitFileColumns(QFileDialog& dialog) {
    auto* view = dialog.findChild<QTreeView*>("treeView");
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!view || !model) return;
    const auto fit = [&dialog, view] {
        for (int c = 0; c < view->header()->count(); ++c) view->resizeColumnToContents(c);
        const int wanted =
            view->header()->length() + view->verticalScrollBar()->sizeHint().width() + 2 * view->frameWidth();
        const int grow = wanted - view->width();
        if (grow <= 0) return;
        const int room =
            dialog.screen() ? dialog.screen()->availableGeometry().width() : dialog.width() + grow;
        dialog.resize(std::max(dialog.width(), std::min(dialog.width() + grow, room)), dialog.height());
    };
    QObject::connect(model, &QFileSystemModel::directoryLoaded, view, fit);
    fit();
}

// The extension a save dialog's first filter gives its files ("*.ses": "ses"), or none.
QString FirstFilterExtension(const FileDialogRequest& request) {
    if (request.filters.empty() || request.filters[0].patterns.empty()) return {};
    const QString pattern = QString::fromStdString(request.filters[0].patterns[0]);
    const QString extension = pattern.startsWith("*.") ? pattern.mid(2) : QString();
    return extension.contains(QRegularExpression("[*?\\[\\]./]")) ? QString() : extension;
}

}  // namespace

bool QtUi::MayReplace(const QString& path, const QString& title) {
    if (!QFileInfo::exists(path)) return true;
    QMessageBox ask(QMessageBox::Warning, title,
                    QFileInfo(path).fileName() + " already exists.\nDo you want to replace it?",
                    QMessageBox::Yes | QMessageBox::No, parent_.data());
    ask.setDefaultButton(QMessageBox::No);
    open_ = &ask;
    const int answer = ask.exec();
    open_ = nullptr;
    return answer == QMessageBox::Yes && !dismissed_;
}

std::optional<std::string> QtUi::AskFileName(const FileDialogRequest& request) {
    if (!CanShowWindows(dismissed_)) return std::nullopt;
    QFileDialog dialog(parent_.data(), QString::fromStdString(request.title));
    const bool save = request.purpose == FileDialogRequest::Purpose::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.folder.empty()) dialog.setDirectory(QString::fromStdString(request.folder));
    QStringList filters;
    for (const FileDialogRequest::Filter& f : request.filters) {
        QStringList patterns;
        // Qt's save dialog puts the first pattern's "extension" on the name: a case-blind one
        // would make "screen.[tT][xX][tT]". Its own list matches without case anyway.
        for (const std::string& p : f.patterns)
            patterns << (save ? QString::fromStdString(p) : CaseBlindPattern(p));
        filters << QString::fromStdString(f.label) + " (" + patterns.join(' ') + ")";
    }
    filters << "All files (*)";
    dialog.setNameFilters(filters);
    if (!request.file_name.empty()) dialog.selectFile(QString::fromStdString(request.file_name));
    // The file the caller will write is NAME.EXT: whether to replace it is asked below, about that
    // file, not about the name as typed.
    const QString extension = save ? FirstFilterExtension(request) : QString();
    if (save) {
        dialog.setDefaultSuffix(extension);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    QCheckBox* append = nullptr;
    if (request.append) {
        // The choice sits in the dialog itself, which needs Qt's own dialog rather than the desktop's.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            append = new QCheckBox("Append to the file", &dialog);
            append->setChecked(*request.append);
            grid->addWidget(append, grid->rowCount(), 0, 1, -1);
        }
    }
    // Its parts exist once it is shown.
    QTimer::singleShot(0, &dialog, [&dialog] { FitFileColumns(dialog); });
    open_dialog_ = &dialog;
    const int result = dialog.exec();
    open_dialog_ = nullptr;
    if (result != QDialog::Accepted || dismissed_ || dialog.selectedFiles().isEmpty()) return std::nullopt;
    if (append) *request.append = append->isChecked();
    QString chosen = dialog.selectedFiles().first();
    if (!save) return chosen.toStdString();
    if (!extension.isEmpty() && dialog.selectedNameFilter() == filters.first() &&
        !chosen.endsWith("." + extension, Qt::CaseInsensitive))
        chosen += "." + extension;
    if (!(append && append->isChecked()) && !MayReplace(chosen, dialog.windowTitle())) return std::nullopt;
    return chosen.toStdString();
}

}  // namespace orkan
