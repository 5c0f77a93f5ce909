#include "render.h"

#include <map>

namespace testhost {

std::string AutoFieldName(int start, int cols) {
    return "r" + std::to_string(start / cols + 1) + "c" + std::to_string(start % cols + 1);
}

namespace {

// What the layout puts into one cell.
struct Planned {
    enum class Kind { None, Char, Attr };
    Kind kind = Kind::None;
    uint8_t ch = 0;
    script::FieldLook look;
    std::string name;
};

bool Resolve(const script::Position& p, int rows, int cols, int& address, std::string& error) {
    const int r = p.row < 0 ? rows + p.row + 1 : p.row;
    const int c = p.col < 0 ? cols + p.col + 1 : p.col;
    if (r < 1 || r > rows || c < 1 || c > cols) {
        error = "position " + std::to_string(p.row) + " " + std::to_string(p.col) + " is outside a " +
                std::to_string(rows) + "x" + std::to_string(cols) + " screen";
        return false;
    }
    address = (r - 1) * cols + (c - 1);
    return true;
}

}  // namespace

bool RenderScreen(const script::App& app, const script::Screen& screen, const RenderContext& ctx,
                  Rendered& out, std::string& error) {
    const Codec& codec = *ctx.codec;
    const ds::Geometry& g = ctx.geometry;
    int rows = g.rows, cols = g.cols;
    if (screen.command == ds::kEraseWriteAlternate) {
        rows = g.alt_rows;
        cols = g.alt_cols;
    } else if (screen.command == ds::kWrite && ctx.current) {
        rows = ctx.current->rows();
        cols = ctx.current->cols();
    }
    if (screen.rows > rows || screen.cols > cols) {
        error = "screen '" + screen.name + "' needs " + std::to_string(screen.rows) + "x" +
                std::to_string(screen.cols) + "; the terminal gives " + std::to_string(rows) + "x" +
                std::to_string(cols);
        return false;
    }
    const int positions = rows * cols;
    if (static_cast<int>(screen.layout.size()) > rows) {
        error =
            "screen '" + screen.name + "' has more layout rows than the terminal's " + std::to_string(rows);
        return false;
    }
    std::string note;
    // While a screen is drawn, its own size is what ${rows} and ${cols} mean.
    const auto lookup = [&](const std::string& name) -> std::optional<std::string> {
        if (name == "rows") return std::to_string(rows);
        if (name == "cols") return std::to_string(cols);
        return ctx.lookup ? ctx.lookup(name) : std::nullopt;
    };

    // Lay the rows out cell by cell first, so the orders can skip what stays null.
    std::vector<Planned> plan(static_cast<size_t>(positions));
    const auto markers = script::MarkersFor(app, screen);
    std::map<char32_t, size_t> used;
    for (size_t r = 0; r < screen.layout.size(); ++r) {
        std::vector<script::Piece> pieces;
        if (!script::SplitRow(screen.layout[r], markers, pieces, error)) return false;
        int col = 0;
        bool in_input = false;
        auto put_text = [&](const std::string& text) -> bool {
            const Bytes b = HostText(codec, text, note);
            for (uint8_t ch : b) {
                if (col >= cols) {
                    error = "screen '" + screen.name + "' row " + std::to_string(r + 1) + " is wider than " +
                            std::to_string(cols) + " columns";
                    return false;
                }
                Planned& p = plan[static_cast<size_t>(static_cast<int>(r) * cols + col)];
                // Blanks in an input field stay nulls, so the operator can insert there.
                if (!(in_input && ch == codec.HostByte(' '))) {
                    p.kind = Planned::Kind::Char;
                    p.ch = ch;
                }
                ++col;
            }
            return true;
        };
        for (const auto& piece : pieces) {
            if (piece.kind == script::Piece::Kind::Marker) {
                if (col >= cols) {
                    error = "screen '" + screen.name + "' row " + std::to_string(r + 1) + " is wider than " +
                            std::to_string(cols) + " columns";
                    return false;
                }
                const script::Marker& m = *markers[piece.marker];
                Planned& p = plan[static_cast<size_t>(static_cast<int>(r) * cols + col)];
                p.kind = Planned::Kind::Attr;
                p.look = m.look;
                size_t& n = used[m.ch];
                if (n < m.look.names.size()) p.name = m.look.names[n];
                ++n;
                in_input = !(m.look.bits & ds::kAttrProtected);
                ++col;
            } else if (piece.kind == script::Piece::Kind::Text) {
                if (!put_text(piece.text)) return false;
            } else {
                const std::string ref = "${" + piece.text + ":" + std::to_string(piece.width) + "}";
                if (!put_text(script::Expand(ref, lookup))) return false;
            }
        }
    }

    ds::OrderWriter w(positions);
    w.Command(screen.command, screen.wcc);
    int next = -1;  // address the next byte would land on without an SBA
    std::map<int, std::string> names;
    std::vector<std::pair<size_t, std::string>> order_names;  // record length right after the SF, name
    for (int a = 0; a < positions; ++a) {
        const Planned& p = plan[static_cast<size_t>(a)];
        if (p.kind == Planned::Kind::None) continue;
        if (a != next) w.Sba(a);
        if (p.kind == Planned::Kind::Attr) {
            if (ctx.extended && (p.look.fg || p.look.hl)) {
                w.Sfe(p.look.bits, p.look.fg, p.look.hl);
            } else {
                w.Sf(p.look.bits);
            }
            if (!p.name.empty()) names[a] = p.name;
        } else {
            w.Data({p.ch});
        }
        next = a + 1;
    }

    // Orders given as such follow the layout.
    for (const auto& o : screen.orders) {
        using K = script::Order::Kind;
        int address = 0;
        std::string e;
        switch (o.kind) {
            case K::Sba:
            case K::Eua:
            case K::Ra:
                if (!Resolve(o.pos, rows, cols, address, e)) {
                    error = "screen '" + screen.name + "' line " + std::to_string(o.line) + ": " + e;
                    return false;
                }
                if (o.kind == K::Sba)
                    w.Sba(address);
                else if (o.kind == K::Eua)
                    w.Eua(address);
                else
                    w.Ra(address, o.value, o.ra_ge);
                break;
            case K::Sf:
            case K::Sfe:
                if (o.kind == K::Sfe && ctx.extended)
                    w.Sfe(o.look.bits, o.look.fg, o.look.hl);
                else
                    w.Sf(o.look.bits);
                if (!o.look.names.empty()) order_names.emplace_back(w.bytes().size(), o.look.names[0]);
                break;
            case K::Mf:
                if (ctx.extended) {
                    w.bytes().push_back(ds::kMF);
                    const uint8_t count = static_cast<uint8_t>(1 + (o.look.fg ? 1 : 0) + (o.look.hl ? 1 : 0));
                    w.bytes().push_back(count);
                    w.bytes().push_back(ds::kXaField);
                    w.bytes().push_back(ds::EncodeSixBits(o.look.bits));
                    if (o.look.fg) w.bytes().insert(w.bytes().end(), {ds::kXaForeground, o.look.fg});
                    if (o.look.hl) w.bytes().insert(w.bytes().end(), {ds::kXaHighlight, o.look.hl});
                }
                break;
            case K::Sa:
                if (ctx.extended) w.Sa(o.type, o.value);
                break;
            case K::Ic:
                w.Ic();
                break;
            case K::Pt:
                w.Pt();
                break;
            case K::Ge:
                w.Ge(o.value);
                break;
            case K::Text:
                w.Data(HostText(codec, script::Expand(o.text, lookup), note));
                break;
            case K::Hex:
                w.Data(o.hex);
                break;
        }
    }

    // Where the named order-made fields landed: replay the record up to each one and ask where
    // the next position is.
    for (const auto& [end, name] : order_names) {
        ds::Buffer probe =
            ctx.current && screen.command == ds::kWrite ? *ctx.current : ds::Buffer(rows, cols);
        Bytes prefix(w.bytes().begin(), w.bytes().begin() + static_cast<long>(end));
        prefix.push_back(ds::kIC);
        if (!ds::ApplyWrite(probe, prefix.data(), prefix.size(), g, error)) {
            error = "screen '" + screen.name + "': " + error;
            return false;
        }
        names[(probe.cursor + positions - 1) % positions] = name;
    }
    out.buffer = ctx.current && screen.command == ds::kWrite ? *ctx.current : ds::Buffer(rows, cols);
    if (!ds::ApplyWrite(out.buffer, w.bytes().data(), w.bytes().size(), g, error)) {
        error = "screen '" + screen.name + "': " + error;
        return false;
    }

    // Cursor: the named field, the given place, or the first input field.
    out.inputs.clear();
    for (const auto& f : out.buffer.Fields()) {
        if (f.attr & ds::kAttrProtected) continue;
        NamedField nf;
        const auto it = names.find(f.attr_address);
        nf.name = it != names.end() ? it->second : AutoFieldName(f.start, cols);
        nf.attr_address = f.attr_address;
        nf.start = f.start;
        nf.length = f.length;
        nf.bits = f.attr;
        out.inputs.push_back(nf);
    }
    std::optional<int> cursor;
    if (screen.cursor_field) {
        for (const auto& f : out.inputs)
            if (f.name == *screen.cursor_field) cursor = f.start;
    } else if (screen.cursor_pos) {
        int a = 0;
        std::string e;
        if (!Resolve(*screen.cursor_pos, rows, cols, a, e)) {
            error = "screen '" + screen.name + "' cursor: " + e;
            return false;
        }
        cursor = a;
    } else if (!out.inputs.empty()) {
        cursor = out.inputs.front().start;
    }

    // Initial field contents.
    for (const auto& [name, value] : screen.values) {
        for (const auto& f : out.inputs) {
            if (f.name != name) continue;
            Bytes b = HostText(codec, script::Expand(value, lookup), note);
            if (static_cast<int>(b.size()) > f.length) {
                error = "screen '" + screen.name + "': value for field '" + name + "' is " +
                        std::to_string(b.size()) + " characters; the field holds " + std::to_string(f.length);
                return false;
            }
            if (!b.empty()) {
                w.Sba(f.start);
                w.Data(b);
            }
        }
    }
    if (cursor) {
        w.Sba(*cursor);
        w.Ic();
    }
    out.record = std::move(w.bytes());
    out.buffer = ctx.current && screen.command == ds::kWrite ? *ctx.current : ds::Buffer(rows, cols);
    if (!ds::ApplyWrite(out.buffer, out.record.data(), out.record.size(), g, error)) {
        error = "screen '" + screen.name + "': " + error;
        return false;
    }
    out.note = note;
    return true;
}

}  // namespace testhost
