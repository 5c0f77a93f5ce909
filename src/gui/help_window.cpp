#include "gui/help_window.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/dialog_fit.h"
#include "gui/editor_accessibility.h"

namespace orkan {
namespace {

constexpr int kPageRole = Qt::UserRole, kSectionRole = Qt::UserRole + 1;
constexpr QSize kWanted{1000, 700};

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

HelpWindow::HelpWindow(const std::string& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder), pages_(LoadHelpPages(folder)), index_(HelpIndex(pages_)) {
    setWindowTitle("Orkan TN3270 Help");
    setObjectName("OrkanHelp");
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);

    auto* bar = new QHBoxLayout;
    auto* back = new QPushButton("&Back");
    auto* forward = new QPushButton("For&ward");
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addStretch();
    layout->addLayout(bar);

    auto* split = new QSplitter;
    tabs_ = new QTabWidget;
    tabs_->setAccessibleName("Help navigation");
    tabs_->tabBar()->setAccessibleName("Contents, index or search");

    contents_ = new QTreeWidget;
    contents_->setAccessibleName("Contents");
    contents_->setHeaderHidden(true);
    for (size_t p = 0; p < pages_.size(); ++p) {
        auto* page = new QTreeWidgetItem({Q(pages_[p].title)});
        page->setData(0, kPageRole, qulonglong(p));
        page->setData(0, kSectionRole, qulonglong(0));
        for (size_t s = 0; s < pages_[p].sections.size(); ++s) {
            if (pages_[p].sections[s].level != 2) continue;
            auto* part = new QTreeWidgetItem({Q(pages_[p].sections[s].heading)});
            part->setData(0, kPageRole, qulonglong(p));
            part->setData(0, kSectionRole, qulonglong(s));
            page->addChild(part);
        }
        contents_->addTopLevelItem(page);
    }
    tabs_->addTab(contents_, "&Contents");

    auto* index_page = new QWidget;
    auto* il = new QVBoxLayout(index_page);
    index_filter_ = new QLineEdit;
    index_filter_->setAccessibleName("Look for a topic");
    index_filter_->setClearButtonEnabled(true);
    auto* look = new QLabel("&Look for:");
    look->setBuddy(index_filter_);
    index_list_ = new QListWidget;
    index_list_->setAccessibleName("Index");
    il->addWidget(look);
    il->addWidget(index_filter_);
    il->addWidget(index_list_, 1);
    tabs_->addTab(index_page, "&Index");

    auto* search_page = new QWidget;
    auto* sl = new QVBoxLayout(search_page);
    search_ = new QLineEdit;
    search_->setAccessibleName("Search the help for");
    search_->setClearButtonEnabled(true);
    auto* search_label = new QLabel("Search &for:");
    search_label->setBuddy(search_);
    results_ = new QListWidget;
    results_->setAccessibleName("Search results");
    results_->setWordWrap(true);
    search_status_ = new QLabel;
    search_status_->setAccessibleName("Search status");
    search_status_->setWordWrap(true);
    sl->addWidget(search_label);
    sl->addWidget(search_);
    sl->addWidget(search_status_);
    sl->addWidget(results_, 1);
    tabs_->addTab(search_page, "&Search");

    browser_ = new QTextBrowser;
    browser_->setAccessibleName("Help page");
    browser_->setOpenLinks(false);
    browser_->setSearchPaths({QString::fromStdString(folder)});
    split->addWidget(tabs_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 3);
    layout->addWidget(split, 1);

    QObject::connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    QObject::connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    QObject::connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    QObject::connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    QObject::connect(browser_, &QTextBrowser::anchorClicked, this,
                     [this](const QUrl& url) { LinkClicked(url); });
    QObject::connect(contents_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            OpenSection(size_t(item->data(0, kPageRole).toULongLong()),
                        size_t(item->data(0, kSectionRole).toULongLong()));
    });
    QObject::connect(index_filter_, &QLineEdit::textChanged, this,
                     [this](const QString& t) { FillIndex(t); });
    QObject::connect(index_filter_, &QLineEdit::returnPressed, this, [this] {
        if (index_list_->count() > 0) {
            index_list_->setCurrentRow(0);
            emit index_list_->itemActivated(index_list_->item(0));
        }
    });
    QObject::connect(index_list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        OpenSection(size_t(item->data(kPageRole).toULongLong()),
                    size_t(item->data(kSectionRole).toULongLong()));
    });
    QObject::connect(index_list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item)
            OpenSection(size_t(item->data(kPageRole).toULongLong()),
                        size_t(item->data(kSectionRole).toULongLong()));
    });
    QObject::connect(search_, &QLineEdit::returnPressed, this, [this] { Search(search_->text()); });
    QObject::connect(results_, &QListWidget::itemActivated, this,
                     [this] { OpenHit(results_->currentRow()); });
    QObject::connect(results_, &QListWidget::currentRowChanged, this, [this](int row) { OpenHit(row); });

    // A window of its own has no Close button: these keys close it, as in a dialog.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        QObject::connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);

    NameUnnamedControls(*this);
    FillIndex({});
    if (pages_.empty())
        browser_->setPlainText(
            "The help pages were not found in " + Q(folder) +
            ". The \"Help\" setting of files.ini names the help folder; the installation keeps "
            "it in share/orkan3270/help.");
    else
        OpenSection(0, 0);
    resize(kWanted);
}

void HelpWindow::Present() {
    if (screen())
        resize(FittingDialogSize(size().isValid() ? size() : kWanted, screen()->availableGeometry()));
    show();
    raise();
    activateWindow();
}

void HelpWindow::ShowContents() {
    tabs_->setCurrentIndex(0);
    Present();
    contents_->setFocus();
}

void HelpWindow::ShowSearch() {
    tabs_->setCurrentIndex(2);
    Present();
    search_->setFocus();
    search_->selectAll();
}

bool HelpWindow::ShowPage(const QString& file) {
    for (size_t p = 0; p < pages_.size(); ++p)
        if (Q(pages_[p].file) == file) {
            OpenSection(p, 0);
            Present();
            return true;
        }
    return false;
}

void HelpWindow::OpenSection(size_t page, size_t section, const QString& highlight) {
    if (page >= pages_.size()) return;
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder_ + "/" + pages_[page].file));
    if (browser_->source() != url) browser_->setSource(url, QTextDocument::MarkdownResource);
    if (section >= pages_[page].sections.size()) return;
    const HelpSection& wanted = pages_[page].sections[section];
    QTextCursor at(browser_->document());
    for (QTextBlock b = browser_->document()->begin(); b.isValid(); b = b.next())
        if (b.blockFormat().headingLevel() == wanted.level && b.text().trimmed() == Q(wanted.heading)) {
            at = QTextCursor(b);
            break;
        }
    if (!highlight.isEmpty()) {
        const QTextCursor found = browser_->document()->find(highlight, at);
        if (!found.isNull()) at = found;
    }
    browser_->setTextCursor(at);
    // The part begins at the top of the view, not wherever the cursor happens to become visible.
    QScrollBar* bar = browser_->verticalScrollBar();
    bar->setValue(bar->value() + browser_->cursorRect(QTextCursor(at.block())).top());
}

void HelpWindow::FillIndex(const QString& filter) {
    index_list_->clear();
    for (const HelpIndexEntry& e : index_) {
        const QString term = Q(e.term);
        if (!filter.trimmed().isEmpty() && !term.contains(filter.trimmed(), Qt::CaseInsensitive)) continue;
        auto* item = new QListWidgetItem(term + "  (" + Q(pages_[e.page].title) + ")");
        item->setData(kPageRole, qulonglong(e.page));
        item->setData(kSectionRole, qulonglong(e.section));
        index_list_->addItem(item);
    }
}

int HelpWindow::Search(const QString& query) {
    if (search_->text() != query) search_->setText(query);
    query_ = query.trimmed().section(' ', 0, 0, QString::SectionSkipEmpty);
    hits_ = SearchHelp(pages_, query.toStdString());
    const QSignalBlocker block(results_);
    results_->clear();
    for (const HelpHit& h : hits_) {
        const HelpPage& p = pages_[h.page];
        auto* item = new QListWidgetItem(Q(p.title) + " \u2014 " + Q(p.sections[h.section].heading) + "\n" +
                                         Q(h.excerpt));
        item->setToolTip(Q(p.file));
        results_->addItem(item);
    }
    search_status_->setText(hits_.empty()
                                ? "Nothing was found for \"" + query + "\"."
                                : QString("%1 parts of the help hold \"%2\".").arg(hits_.size()).arg(query));
    if (!hits_.empty()) {
        results_->setCurrentRow(0);
        OpenHit(0);
    }
    return int(hits_.size());
}

void HelpWindow::OpenHit(int n) {
    if (n < 0 || size_t(n) >= hits_.size()) return;
    OpenSection(hits_[size_t(n)].page, hits_[size_t(n)].section, query_);
}

void HelpWindow::LinkClicked(const QUrl& url) {
    const QUrl target = browser_->source().resolved(url);
    if (target.scheme() == "http" || target.scheme() == "https" || target.scheme() == "mailto") {
        QDesktopServices::openUrl(target);
        return;
    }
    const QString file = QFileInfo(target.toLocalFile()).fileName();
    for (size_t p = 0; p < pages_.size(); ++p)
        if (Q(pages_[p].file) == file) {
            OpenSection(p, 0);
            return;
        }
    // Links into the source tree (the code map) lead outside the help: nothing to show here.
}

}  // namespace orkan
