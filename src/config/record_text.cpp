#include "config/record_text.h"

#include <string>

namespace orkan {

MessageBox TooLongMessage(std::string_view what, std::string_view text, size_t max_chars) {
    // A runaway value is shown by its start only.
    std::string shown(text.substr(0, 80));
    if (text.size() > 80) shown += "...";
    return {"Orkan TN3270 Error",
            "The " + std::string(what) + " \"" + shown + "\" is longer than " + std::to_string(max_chars) +
                " characters and cannot be used.",
            Buttons::Ok, Icon::Warning};
}

bool StoreRecordText(SessionRecord& record, const FieldDef& field, std::string_view text,
                     std::string_view what, Ui& ui) {
    if (text.find('\0') != text.npos || !record.SetText(field, text)) {
        ui.ShowMessage(TooLongMessage(what, text, size_t(field.max)));
        return false;
    }
    return true;
}

}  // namespace orkan
