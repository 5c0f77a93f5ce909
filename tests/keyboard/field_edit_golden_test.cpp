// Field editing, function by function: the cases of data/field_edit.txt (screen the host writes,
// keys typed, the screen with its MDTs, the cursor, the status and the sounds after them).
#include <gtest/gtest.h>

#include "keyboard/field_edit.h"
#include "keyboard/keyboard_harness.h"

namespace orkan {
namespace {

const std::string kBlankRow = "........................";

class FieldEdit : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(FieldEdit, Case) {
    test::RunPictureCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, FieldEdit,
                         testing::ValuesIn(test::ReadGoldenCases("keyboard/data/field_edit.txt")),
                         test::GoldenTestName);

// The characters a locked numeric field takes, all of them and nothing more; and a typed character
// without a byte in the host's code page, which would reach the host as a null, is refused.
TEST(FieldEditGolden, NumericLockAndTheHostCodePageRefuseCharacters) {
    std::string accepted, refused;
    for (int ch = 0x20; ch < 0x100; ++ch) {
        test::KeyboardSession numeric;
        numeric.Write({"|Qty<.....|............."}, 0, 5);
        numeric.session.record.SetNumber(field::NumericFieldLock, 1);
        TypeCharacter(numeric.session, uint8_t(ch));
        if (numeric.session.status == SessionStatus::Unlocked) accepted += char(ch);

        test::KeyboardSession k;
        k.Write({"|Qty[.....|............."}, 0, 5);
        TypeCharacter(k.session, uint8_t(ch));
        const bool has_host_form = k.session.charset.display_to_host[ch] != 0;
        EXPECT_EQ(k.session.status, has_host_form ? SessionStatus::Unlocked : SessionStatus::Protected) << ch;
        EXPECT_EQ(k.Screen()[0], has_host_form ? k.Screen()[0] : "|Qty[.....|.............") << ch;
        EXPECT_EQ(k.session.keyboard->refused_without_host_form, !has_host_form) << ch;
        if (!has_host_form) refused += char(ch);
    }
    EXPECT_EQ(accepted, "!#$%&()*+,-.0123456789<>?@^_{|}\x8E");
    EXPECT_NE(refused.find('\x80'), std::string::npos) << "the euro sign is not in code page 037";
    // A later refusal of another kind is not taken for this one.
    test::KeyboardSession k;
    k.Write({"|Qty[.....|............."}, 0, 1);
    TypeCharacter(k.session, 0x80);
    k.Type("{Reset}x");
    EXPECT_EQ(k.session.status, SessionStatus::Protected);
    EXPECT_FALSE(k.session.keyboard->refused_without_host_form);
}

// The host bytes (read by the RawData and host-plane functions) follow what editing shows.
TEST(FieldEditGolden, HostBytesFollowBlanksAndWrappedText) {
    test::KeyboardSession k;
    k.Write({"[.......................", kBlankRow, kBlankRow, kBlankRow}, 0, 5);
    k.session.record.SetNumber(field::PrefixInputWithSpaces, 1);
    k.Type("x");
    const uint8_t blank = k.session.charset.display_to_host[' '];
    EXPECT_EQ(k.session.ps.planes.host[2], blank);
    k.Write({"[aaa_bbb_ccc_ddd_eee_ff.", "[ggg_hhh................", kBlankRow, kBlankRow}, 0, 23);
    k.session.keyboard->word_wrap = true;
    k.Type("f");  // "fff" moves to the next row
    for (uint32_t a = 1; a < 3 * 24; ++a) {
        const Planes& p = k.session.ps.planes;
        if (p.attribute[a]) continue;
        EXPECT_EQ(p.host[a], k.session.charset.display_to_host[p.display[a]]) << a;
    }
}

}  // namespace
}  // namespace orkan
