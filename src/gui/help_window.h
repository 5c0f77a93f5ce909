// The help window: the user documentation's Markdown pages rendered by Qt, with their contents
// (pages and their parts), an index of every heading and a full-text search. Links between pages
// stay in the window; links to the web open in the desktop's browser.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "gui/help_pages.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;

namespace orkan {

class HelpWindow : public QWidget {
  public:
    explicit HelpWindow(const std::string& folder, QWidget* parent = nullptr);

    // The window in front at its contents, at its search field, or at a page (its file name).
    void ShowContents();
    void ShowSearch();
    [[nodiscard]] bool ShowPage(const QString& file);
    // Runs a search as typed into the search field; the number of sections found.
    int Search(const QString& query);
    // Opens the n-th result of the last search at the first word found.
    void OpenHit(int n);

    const std::vector<HelpPage>& Pages() const { return pages_; }
    QTextBrowser& Browser() { return *browser_; }
    QListWidget& Results() { return *results_; }

  private:
    void OpenSection(size_t page, size_t section, const QString& highlight = {});
    void FillIndex(const QString& filter);
    void LinkClicked(const QUrl& url);
    void Present();

    std::string folder_;
    std::vector<HelpPage> pages_;
    std::vector<HelpIndexEntry> index_;
    std::vector<HelpHit> hits_;
    QString query_;

    QTabWidget* tabs_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QLineEdit* index_filter_ = nullptr;
    QListWidget* index_list_ = nullptr;
    QLineEdit* search_ = nullptr;
    QListWidget* results_ = nullptr;
    QLabel* search_status_ = nullptr;
    QTextBrowser* browser_ = nullptr;
};

}  // namespace orkan
