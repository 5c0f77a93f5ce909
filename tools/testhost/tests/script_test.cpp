// The application script format: what it accepts, and the message (with its line) for what it
// refuses. A script is outside input, so every refusal must be a clear error.
#include "script.h"

#include "helpers.h"
#include "render.h"

namespace testhost {
namespace {

using test::Cp037;

struct BadCase {
    std::string text;
    const char* message;  // part of the error, including "app:LINE:"
};

TEST(ScriptErrors, AreReportedWithTheirLine) {
    const std::vector<BadCase> cases = {
        {"", "has no screens"},
        {"screen a\nend\nstart b\n", "start screen 'b' is not defined"},
        {"screen a\n  on enter : goto nowhere\nend\n", "app:2: goto names screen 'nowhere'"},
        {"screen a\n  layout\n  |x\n", "not closed by 'end'"},
        {"screen a\n", "screen 'a' not closed"},
        {"screen a\nend\nscreen a\nend\n", "app:3: screen 'a' is defined twice"},
        {"bogus\n", "app:1: unknown statement 'bogus'"},
        {"screen a\n  layout\n  x\n  end\nend\n", "app:3: layout rows begin with '|'"},
        {"screen a\n  layout\n  |" + std::string(81, 'x') + "\n  end\nend\n",
         "app:3: layout row is 81 characters wide"},
        {"screen a\n  layout\n" +
             [] {
                 std::string r;
                 for (int i = 0; i < 25; ++i) r += "  |x\n";
                 return r;
             }() +
             "  end\nend\n",
         "has 25 layout rows"},
        {"marker A protected\nscreen a\nend\n", "app:1: a marker cannot be a letter"},
        {"marker % protected\nmarker % input\nscreen a\nend\n", "app:2: marker defined twice"},
        {"marker % input protected\nscreen a\nend\n", "both input and protected"},
        {"marker % protected name=x\nscreen a\nend\n", "only input fields take names"},
        {"marker % color=purple\nscreen a\nend\n", "unknown colour"},
        {"screen a\n  marker _ input name=u,p\n  layout\n  |_ _\n  end\nend\n", ""},
        {"screen a\n  marker _ input name=u,p\n  layout\n  |_\n  end\nend\n",
         "marker names 2 fields but the layout uses it 1 times"},
        {"screen a\n  marker _ input name=u\n  cursor v\n  layout\n  |_\n  end\nend\n",
         "cursor names field 'v'"},
        {"screen a\n  value v \"x\"\nend\n", "value for unknown field 'v'"},
        {"screen a\n  on f99 : stay\nend\n", "app:2: unknown key 'f99'"},
        {"screen a\n  on enter when x ~ 1 : stay\nend\n", "unknown comparison '~'"},
        {"screen a\n  on enter stay\nend\n", "rule wants ':'"},
        {"screen a\n  on enter : jump\nend\n", "unknown action 'jump'"},
        {"screen a\n  on enter : set x \"unclosed\nend\n", "string without its closing quote"},
        {"screen a\n  orders\n    sba 0 1\n  end\nend\n", "app:3: sba takes ROW COL"},
        {"screen a\n  orders\n    hex f\n  end\nend\n", "odd number of digits"},
        {"screen a\n  orders\n    text \"\xe2\x82\xac\"\n  end\nend\n", "has no form in code page"},
        {"screen a\n  size 300x80\nend\n", "size takes ROWSxCOLS"},
        {"screen a\n  layout\n  |${unclosed\n  end\nend\n", "'${' without a closing '}'"},
        {"screen a\n  layout\n  |\xff\xfe\n  end\nend\n", "not valid UTF-8"},
        {"on connect when a == b : stay\nscreen a\nend\n", "'on connect' takes no conditions"},
        {"screen a\n  on enter : query-list zz\nend\n", "is not a hex byte"},
        {"screen a\n  on enter : bind TOOLONGNAME\nend\n", "at most 8 characters"},
    };
    for (const auto& c : cases) {
        script::App app;
        std::string error;
        const bool ok = script::Parse(c.text, "app", Cp037(), app, error);
        if (std::string(c.message).empty()) {
            continue;  // accepted or refused, it must merely not crash
        }
        EXPECT_FALSE(ok) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << "text:\n" << c.text << "\nerror: " << error;
    }
}

TEST(ScriptParse, ReadsScreensMarkersRulesAndActions) {
    const char* text = R"(title "t"
start one
marker @ protected intensified color=white
on pf12 : disconnect   # global
on connect : query ; goto one
screen one
  command ewa
  wcc restore alarm
  marker _ input numeric highlight=underscore name=qty
  layout
  |@Qty_    @
  end
  cursor qty
  value qty "${qty}"
  response always
  on enter,pf5 when qty >= 10 and modified qty : set msg "big ${qty}" ; goto one
  on any : check qty == "1" ; log "x" ; read-buffer ; query-list 81 a6 ; sscp-lu "hi" ; bind PLU1 ; unbind
end
)";
    script::App app;
    std::string error;
    ASSERT_TRUE(script::Parse(text, "app", Cp037(), app, error)) << error;
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

TEST(ScriptParse, DemoApplicationLoads) {
    script::App app;
    std::string error;
    ASSERT_TRUE(script::Load(TESTHOST_DEMO_APP "/demo.app", Cp037(), app, error)) << error;
    EXPECT_EQ(app.start, "logon");
    EXPECT_GE(app.screens.size(), 10u);
}

TEST(ScriptExpand, WidthsAndUnknownNames) {
    auto lookup = [](const std::string& n) -> std::optional<std::string> {
        if (n == "u") return std::string("alice");
        if (n == "e") return std::string("\xc3\xa9t\xc3\xa9");  // "été": widths count characters
        return std::nullopt;
    };
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"hi ${u}!", "hi alice!"},
        {"[${u:3}]", "[ali]"},
        {"[${u:7}]", "[alice  ]"},
        {"[${nope}]", "[]"},
        {"[${e:2}]", "[\xc3\xa9t]"},
        {"[${u   }]", "[alice]"},
        {"${", "${"},
        {"${bad name}", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(script::Expand(c.in, lookup), c.out) << c.in;
}

}  // namespace
}  // namespace testhost
