// The session file is read by offset: every field must stay inside the block and no two may share
// a byte, or one setting would silently overwrite another.
#include <gtest/gtest.h>

#include <vector>

#include "config/session_record.h"
#include "config/session_record_fields.h"

namespace orkan {
namespace {

TEST(SessionRecordLayout, FieldsStayInsideTheBlockAndNeverOverlap) {
    std::vector<int> owner(kSessionRecordSize, -1);
    const auto fields = AllSessionFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& f = *fields[i];
        ASSERT_LE(size_t(f.offset) + f.size, kSessionRecordSize) << "field at " << f.offset;
        for (size_t b = f.offset; b < size_t(f.offset) + f.size; ++b) {
            EXPECT_EQ(owner[b], -1) << "fields at " << f.offset << " and " << fields[owner[b]]->offset
                                    << " share byte " << b;
            owner[b] = int(i);
        }
    }
}

}  // namespace
}  // namespace orkan
