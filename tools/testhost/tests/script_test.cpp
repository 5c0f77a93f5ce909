// The application script format: what it accepts, and the message (with its line) for what it
// refuses. A script is outside input, so every refusal must be a clear error.
#include "script.h"

#include "helpers.h"
#include "render.h"

namespace testhost {
namespace {

using test::Cp037;

// The cases of script_errors.txt: each refused with its message, or at least not a crash.
TEST(ScriptErrors, AreReportedWithTheirLine) {
    std::string text;
    for (auto [number, line] : test::CaseLines("script_errors.txt")) {
        if (line.starts_with("=>")) {
            SCOPED_TRACE("script_errors.txt line " + std::to_string(number));
            script::App app;
            std::string error;
            const bool ok = script::Parse(text, "app", Cp037(), app, error);
            const std::string message = line.size() > 3 ? line.substr(3) : "";
            if (!message.empty()) {
                EXPECT_FALSE(ok) << text;
                EXPECT_NE(error.find(message), std::string::npos) << "text:\n"
                                                                  << text << "\nerror: " << error;
            }
            text.clear();
        } else {
            for (size_t x; (x = line.find("\\x")) != std::string::npos;)
                line.replace(x, 4, 1, static_cast<char>(std::stoi(line.substr(x + 2, 2), nullptr, 16)));
            text += line + "\n";
        }
    }
}

TEST(ScriptParse, ReadsScreensMarkersRulesAndActions) {
    script::App app;
    std::string error;
    ASSERT_TRUE(script::Parse(test::TestFile("every_form.app"), "app", Cp037(), app, error)) << error;
    EXPECT_EQ(app.title, "t");
    ASSERT_EQ(app.on_connect.size(), 2u);
    EXPECT_EQ(app.on_connect[0].kind, script::Action::Kind::Query);
    ASSERT_EQ(app.rules.size(), 1u);
    const script::Screen* s = app.Find("one");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->command, 0x7E);
    EXPECT_EQ(s->wcc, 0x06);
    EXPECT_EQ(s->response, 2);
    ASSERT_EQ(s->markers.size(), 1u);
    EXPECT_EQ(s->markers[0].look.bits, 0x10);
    EXPECT_EQ(s->markers[0].look.hl, 0xF4);
    ASSERT_EQ(s->rules.size(), 2u);
    EXPECT_EQ(s->rules[0].keys, (std::vector<std::string>{"enter", "pf5"}));
    EXPECT_EQ(s->rules[0].conditions.size(), 2u);
    EXPECT_EQ(s->rules[1].actions.size(), 7u);
    EXPECT_EQ(s->rules[1].actions[3].codes, (Bytes{0x81, 0xA6}));
}

TEST(ScriptExpand, WidthsAndUnknownNames) {
    auto lookup = [](const std::string& n) -> std::optional<std::string> {
        if (n == "u") return std::string("alice");
        if (n == "e") return std::string("\xc3\xa9t\xc3\xa9");  // "été": widths count characters
        return std::nullopt;
    };
    for (const auto& [line, c] : test::ReadRows("expand.tsv", "expand"))
        EXPECT_EQ(script::Expand(c.at(0), lookup), c.at(1)) << "expand.tsv line " << line;
}

}  // namespace
}  // namespace testhost
