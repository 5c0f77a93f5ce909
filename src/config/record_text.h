// Text into the fixed fields of the session record: a value that does not fit is refused with a
// message naming it, never cut and never written past its field.
#pragma once

#include <string_view>

#include "config/session_record.h"
#include "interfaces/ui.h"

namespace orkan {

// "The %s \"%s\" is longer than %d characters and cannot be used."
MessageBox TooLongMessage(std::string_view what, std::string_view text, size_t max_chars);

[[nodiscard]] bool StoreRecordText(SessionRecord& record, const FieldDef& field, std::string_view text,
                                   std::string_view what, Ui& ui);

}  // namespace orkan
