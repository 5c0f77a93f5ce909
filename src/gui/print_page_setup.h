// Page 6 of the options dialog: the printer, header, print mode, host-initiated printing and the
// six printer profiles (face, orientation, two-up and the edges of the four layouts).
#pragma once

#include <functional>

#include "config/session_record.h"
#include "interfaces/ui.h"

class QWidget;

namespace orkan {

struct PageSetupPage {
    QWidget* page = nullptr;
    // Takes the page into the record; false (after a message) when an entry cannot be used.
    std::function<bool(SessionRecord&)> take;
};

PageSetupPage MakePageSetupPage(const SessionRecord& record, Ui& ui);

}  // namespace orkan
