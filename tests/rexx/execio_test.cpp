// EXECIO over files and the clipboard, with the program's variables kept in a map.
#include <gtest/gtest.h>

#include <map>

#include "config/temp_folder.h"
#include "rexx/execio.h"
#include "rexx/rexx_errors.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

// Symbolic names as REXX takes them: upper case; an unset variable reads as its name.
struct MapVariables : RexxVariables {
    static std::string Up(std::string_view n) {
        std::string s(n);
        for (char& c : s) c = char(std::toupper(uint8_t(c)));
        return s;
    }
    bool Set(std::string_view name, std::string_view value) override {
        values[Up(name)] = std::string(value);
        return true;
    }
    std::optional<std::string> Fetch(std::string_view name) override {
        auto it = values.find(Up(name));
        return it == values.end() ? Up(name) : it->second;
    }
    bool Drop(std::string_view stem) override {
        const std::string prefix = Up(stem);
        for (auto it = values.begin(); it != values.end();)
            it = it->first.rfind(prefix, 0) == 0 ? values.erase(it) : std::next(it);
        return true;
    }
    std::map<std::string, std::string> values;
};

struct Execio : ::testing::Test {
    void Write(const std::string& name, const std::string& bytes) { test::WriteText(folder / name, bytes); }
    std::string Read(const std::string& name) { return test::ReadText(folder / name); }
    int Run(const std::string& command) {
        ExecioPlace place;
        place.folder = folder.path();
        place.read_clipboard = [this]() -> std::optional<std::string> { return clipboard; };
        place.write_clipboard = [this](const std::string& t) { clipboard = t; };
        return RunExecio(command, vars, place);
    }
    test::TempFolder folder;
    MapVariables vars;
    std::string clipboard;
};

TEST_F(Execio, DiskReadKeepsEveryLineWhole) {
    const std::string long_line(5000, 'x');
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"one\ntwo\nthree\n", {"one", "two", "three"}},
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"no final end", {"no final end"}},
        {"", {}},
        {"\n\n", {"", ""}},
        {long_line + "\nshort\n", {long_line, "short"}},
        {"a\rb\n", {"a\rb"}},  // a lone CR is data, not a line end
    };
    for (const auto& [bytes, lines] : cases) {
        Write("in.txt", bytes);
        vars.values["L.9"] = "left from before";
        ASSERT_EQ(Run("* DISKR in.txt (STEM L."), 0);
        EXPECT_EQ(vars.values["L.0"], std::to_string(lines.size()));
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(vars.values["L." + std::to_string(i + 1)], lines[i]);
        EXPECT_EQ(vars.values.count("L.9"), 0u) << "the stem is dropped first";
    }
}

TEST_F(Execio, DiskWriteAndReadBack) {
    vars.values = {{"OUT.0", "3"}, {"OUT.1", "alpha"}, {"OUT.2", std::string(3000, 'y')}, {"OUT.3", "omega"}};
    ASSERT_EQ(Run("* DISKW \"out file.txt\" (STEM OUT."), 0);
    EXPECT_EQ(Read("out file.txt"), "alpha\n" + std::string(3000, 'y') + "\nomega");
    ASSERT_EQ(Run("* diskr 'out file.txt' (stem BACK."), 0);
    EXPECT_EQ(vars.values["BACK.2"], std::string(3000, 'y'));
    vars.values["OUT.0"] = "0";
    ASSERT_EQ(Run("* DISKW empty.txt (STEM OUT."), 0);
    EXPECT_EQ(Read("empty.txt"), "");
}

TEST_F(Execio, ClipboardBothWays) {
    clipboard = "first\r\nsecond\r\nlast without end";
    ASSERT_EQ(Run("* CLIPR (STEM C."), 0);
    EXPECT_EQ(vars.values["C.0"], "3");
    EXPECT_EQ(vars.values["C.3"], "last without end");
    vars.values = {{"W.0", "2"}, {"W.1", "a"}, {"W.2", "b"}};
    ASSERT_EQ(Run("* CLIPW (STEM W."), 0);
    EXPECT_EQ(clipboard, "a\r\nb\r\n");
    // More than the buffer holds is refused and leaves the clipboard alone.
    vars.values = {{"W.0", "2"}, {"W.1", std::string(kClipboardBuffer, 'z')}, {"W.2", "b"}};
    EXPECT_EQ(Run("* CLIPW (STEM W."), rexx_error::ExecioClipboardFull);
    EXPECT_EQ(clipboard, "a\r\nb\r\n");
}

TEST_F(Execio, Errors) {
    Write("in.txt", "x\n");
    vars.values["BAD.0"] = "two";
    vars.values["NEG.0"] = "-1";
    vars.values["OK.0"] = "0";
    for (const test::TableRow& row : test::ReadTableRows("rexx/data/execio_errors.tsv"))
        EXPECT_EQ(Run(row.cells.at(0)), std::stoi(row.cells.at(1))) << row.where << ": " << row.cells[0];
}

}  // namespace
}  // namespace orkan
