#include "print/pdf_engine/pdf_writer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include <zlib.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "print/pdf_engine/font_subset.h"

namespace orkan {

namespace {

// Numbers in PDF syntax whatever the process locale says about decimal commas.
std::string Num(double value) {
    char buf[64];
    if (std::abs(value) < 0.0005) value = 0;
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 3);
    std::string s(buf, ec == std::errc() ? end : buf);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s.empty() ? "0" : s;
}

void AppendHex4(std::string& out, unsigned value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

void AppendUtf16Hex(std::string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        AppendHex4(out, 0xD800 + unsigned(c >> 10));
        AppendHex4(out, 0xDC00 + unsigned(c & 0x3FF));
    } else {
        AppendHex4(out, unsigned(c));
    }
}

// An ASCII title as a PDF literal string.
std::string LiteralString(const std::string& text) {
    std::string out = "(";
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += (u < 0x20 || u > 0x7E) ? '?' : c;
    }
    return out + ")";
}

bool Deflate(const std::string& in, std::string& out) {
    uLongf size = compressBound(uLong(in.size()));
    out.resize(size);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(in.data()),
                  uLong(in.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        return false;
    out.resize(size);
    return true;
}

struct FtLibraryFree {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FtFaceFree {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FtLibrary = std::unique_ptr<std::remove_pointer_t<FT_Library>, FtLibraryFree>;
using FtFace = std::unique_ptr<std::remove_pointer_t<FT_Face>, FtFaceFree>;

// One embedded font file and the glyphs the document uses from it.
struct EmbeddedFont {
    std::string path;
    std::string file_bytes;
    FtFace face;
    double units = 1000;   // per em
    double ascent = 800;   // in 1/1000 em
    double descent = 200;  // positive, in 1/1000 em
    double typical_width = 600;
    std::string ps_name;
    std::map<unsigned, std::pair<double, std::u32string>> used;  // glyph -> width, text
    int object = 0;                                              // the Type0 font's object number
    std::string resource;                                        // "F0", "F1", ...

    unsigned Glyph(char32_t c) const { return FT_Get_Char_Index(face.get(), FT_ULong(c)); }
    double Width(unsigned glyph) const {
        FT_Fixed advance = 0;
        if (FT_Get_Advance(face.get(), glyph, FT_LOAD_NO_SCALE, &advance) != 0) return typical_width;
        return double(advance) * 1000.0 / units;
    }
    void Use(unsigned glyph, std::u32string text) {
        auto it = used.find(glyph);
        if (it == used.end()) used.emplace(glyph, std::pair{Width(glyph), std::move(text)});
    }
};

std::string SafePsName(const char* name, int number) {
    std::string out;
    if (name)
        for (const char* p = name; *p && out.size() < 60; ++p)
            if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') || *p == '-')
                out += *p;
    return out.empty() ? "OrkanPrintFace" + std::to_string(number) : out;
}

bool LoadFont(FT_Library lib, const FontFile& file, int number, EmbeddedFont& font, std::string& error) {
    std::ifstream in(file.path, std::ios::binary);
    font.file_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    FT_Face face = nullptr;
    if (!in || font.file_bytes.empty() ||
        FT_New_Memory_Face(lib, reinterpret_cast<const FT_Byte*>(font.file_bytes.data()),
                           FT_Long(font.file_bytes.size()), FT_Long(file.index), &face) != 0) {
        error = "The font file " + file.path + " cannot be read.";
        return false;
    }
    font.face.reset(face);
    font.path = file.path;
    FT_ULong glyf_length = 0;
    if (!FT_IS_SFNT(face) || !FT_IS_SCALABLE(face) ||
        FT_Load_Sfnt_Table(face, FT_MAKE_TAG('g', 'l', 'y', 'f'), 0, nullptr, &glyf_length) != 0 ||
        glyf_length == 0) {
        error = "The font file " + file.path + " holds no TrueType outlines.";
        return false;
    }
    font.units = face->units_per_EM ? face->units_per_EM : 1000;
    font.ascent = face->ascender * 1000.0 / font.units;
    font.descent = -face->descender * 1000.0 / font.units;
    if (font.ascent + font.descent <= 0) {
        font.ascent = 800;
        font.descent = 200;
    }
    const unsigned zero = font.Glyph(U'0');
    font.typical_width = zero ? font.Width(zero) : face->max_advance_width * 1000.0 / font.units;
    if (font.typical_width <= 0) font.typical_width = 600;
    font.ps_name = SafePsName(FT_Get_Postscript_Name(face), number);
    return true;
}

class PdfBuilder {
  public:
    int Reserve() {
        offsets_.push_back(0);
        return int(offsets_.size());
    }
    void Object(int number, const std::string& body) {
        offsets_[size_t(number - 1)] = out_.size();
        out_ += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    // A deflated stream; `extra` adds keys to its dictionary.
    bool Stream(int number, const std::string& data, const std::string& extra = std::string()) {
        std::string packed;
        if (!Deflate(data, packed)) return false;
        offsets_[size_t(number - 1)] = out_.size();
        out_ += std::to_string(number) + " 0 obj\n<< /Length " + std::to_string(packed.size()) +
                " /Filter /FlateDecode" + extra + " >>\nstream\n";
        out_ += packed;
        out_ += "\nendstream\nendobj\n";
        return true;
    }
    std::string Finish(int root, int info) {
        const size_t xref = out_.size();
        out_ += "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
        char line[32];
        for (size_t offset : offsets_) {
            std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
            out_ += line;
        }
        out_ += "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " +
                std::to_string(root) + " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" +
                std::to_string(xref) + "\n%%EOF\n";
        return std::move(out_);
    }

  private:
    std::string out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets_;
};

// Which embedded font a cell is drawn with, and whether it is made heavier by stroking.
struct Pen {
    EmbeddedFont* font = nullptr;
    bool stroke_bold = false;
    bool operator==(const Pen&) const = default;
};

class PageWriter {
  public:
    PageWriter(const PrintFaces& faces, std::vector<EmbeddedFont*> fonts, double page_height)
        : faces_(faces), fonts_(std::move(fonts)), page_height_(page_height) {}

    void Line(const PrintLine& line, double left, double top, double cell_width, double line_height,
              double size) {
        if (size <= 0 || cell_width <= 0) return;
        const EmbeddedFont& main = *fonts_[0];
        const double box = size * (main.ascent + main.descent) / 1000.0;
        const double baseline = top + (line_height - box) / 2 + size * main.ascent / 1000.0;
        const double y = page_height_ - baseline;
        auto blank = [&](size_t i) { return line[i].base == U' ' && !line[i].mark; };
        size_t last = line.size();
        while (last > 0 && blank(last - 1)) --last;
        size_t column = 0;
        while (column < last) {
            if (blank(column)) {
                ++column;
                continue;
            }
            const Pen pen = PenFor(line[column]);
            size_t end = column;
            std::string glyphs;
            const double th = cell_width * 1000.0 / (size * pen.font->typical_width);
            const double step = cell_width * 1000.0 / (size * th);  // one cell in glyph space units
            // Blanks between words are drawn as spaces, so text tools see the gaps as they are.
            while (end < last && (blank(end) || PenFor(line[end]) == pen)) {
                AppendCell(glyphs, *pen.font, line[end], step);
                ++end;
            }
            content_ += "BT /" + pen.font->resource + " " + Num(size) + " Tf " + Num(th * 100) + " Tz ";
            content_ += pen.stroke_bold ? "2 Tr " + Num(size * 0.035) + " w " : std::string("0 Tr ");
            content_ += "1 0 0 1 " + Num(left + double(column) * cell_width) + " " + Num(y) + " Tm [" +
                        glyphs + "] TJ ET\n";
            column = end;
        }
    }

    const std::string& Content() const { return content_; }

  private:
    Pen PenFor(const PrintCell& cell) const {
        EmbeddedFont* font = cell.bold ? fonts_[1] : fonts_[0];
        const bool synthetic = cell.bold && faces_.bold.synthetic_bold;
        const char32_t probe = cell.base != U' ' ? cell.base : cell.mark;
        if (font->Glyph(probe) == 0 && fonts_[2] && fonts_[2]->Glyph(probe) != 0)
            return {fonts_[2], cell.bold};
        return {font, synthetic};
    }

    // The cell's glyph followed by the adjustment that ends it exactly one cell on.
    static void AppendCell(std::string& out, EmbeddedFont& font, const PrintCell& cell, double step) {
        const char32_t base = cell.base;
        unsigned glyph = font.Glyph(base);
        if (glyph == 0 && base != U'?') glyph = font.Glyph(U'?');
        font.Use(glyph, std::u32string(1, base));
        out += "<";
        AppendHex4(out, glyph);
        out += "> " + Num(font.Width(glyph) - step) + " ";
        if (!cell.mark) return;
        const unsigned mark = font.Glyph(cell.mark);
        if (mark == 0) return;
        font.Use(mark, std::u32string(1, cell.mark));
        const double width = font.Width(mark);
        // A mark with an advance of its own sits in its own cell: step back over the base first.
        if (width > 0) out += Num(step) + " ";
        out += "<";
        AppendHex4(out, mark);
        out += "> " + Num(width > 0 ? width - step : 0.0) + " ";
    }

    const PrintFaces& faces_;
    std::vector<EmbeddedFont*> fonts_;  // regular, bold, fallback (may be null)
    double page_height_;
    std::string content_;
};

std::string ToUnicodeMap(const EmbeddedFont& font) {
    std::string entries;
    std::string out =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    size_t in_block = 0;
    for (const auto& [glyph, info] : font.used) {
        if (info.second.empty()) continue;
        entries += "<";
        AppendHex4(entries, glyph);
        entries += "> <";
        for (char32_t c : info.second) AppendUtf16Hex(entries, c);
        entries += ">\n";
        if (++in_block == 100) {
            out += "100 beginbfchar\n" + entries + "endbfchar\n";
            entries.clear();
            in_block = 0;
        }
    }
    if (in_block) out += std::to_string(in_block) + " beginbfchar\n" + entries + "endbfchar\n";
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

// The face program to embed: only the glyphs the document uses, numbered anew, with the map from
// the glyph numbers the pages use to the new ones. A face the subsetter cannot read goes whole.
struct FaceProgram {
    std::string file;
    std::string cid_to_gid;  // empty: the identity
    std::string name_tag;    // "ABCDEF+" for a subset
};

FaceProgram MakeFaceProgram(const EmbeddedFont& font, bool subset) {
    FaceProgram program;
    if (subset) {
        FT_Face face = font.face.get();
        const SfntTables tables = [face](uint32_t tag) -> std::optional<std::string> {
            FT_ULong length = 0;
            if (FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) != 0) return std::nullopt;
            std::string bytes(length, '\0');
            if (length &&
                FT_Load_Sfnt_Table(face, tag, 0, reinterpret_cast<FT_Byte*>(bytes.data()), &length) != 0)
                return std::nullopt;
            return bytes;
        };
        std::set<unsigned> glyphs;
        uint32_t hash = 2166136261u;
        for (const auto& entry : font.used) {
            glyphs.insert(entry.first);
            hash = (hash ^ entry.first) * 16777619u;
        }
        FontSubset cut;
        std::string why;
        if (SubsetTrueType(tables, glyphs, cut, why)) {
            program.file = std::move(cut.file);
            for (uint16_t gid : cut.new_glyph) {
                program.cid_to_gid += char(gid >> 8);
                program.cid_to_gid += char(gid);
            }
            // Subset faces are named with a tag of six capitals, so viewers never take them for the
            // whole face.
            for (int i = 0; i < 6; ++i, hash /= 26) program.name_tag += char('A' + hash % 26);
            program.name_tag += '+';
            return program;
        }
    }
    program.file = font.file_bytes;
    return program;
}

bool WriteFont(PdfBuilder& pdf, const EmbeddedFont& font, bool subset) {
    const FaceProgram program = MakeFaceProgram(font, subset);
    const std::string name = program.name_tag + font.ps_name;
    const int descendant = pdf.Reserve();
    const int descriptor = pdf.Reserve();
    const int file = pdf.Reserve();
    const int to_unicode = pdf.Reserve();
    const int cid_map = program.cid_to_gid.empty() ? 0 : pdf.Reserve();
    FT_Face face = font.face.get();
    const double scale = 1000.0 / font.units;
    double cap_height = font.ascent;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->sCapHeight > 0)
        cap_height = os2->sCapHeight * scale;
    pdf.Object(font.object, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                                " /Encoding /Identity-H /DescendantFonts [" + std::to_string(descendant) +
                                " 0 R] /ToUnicode " + std::to_string(to_unicode) + " 0 R >>");
    std::string widths;
    for (const auto& [glyph, info] : font.used)
        widths += std::to_string(glyph) + " [" + Num(info.first) + "] ";
    const std::string cid_to_gid = cid_map ? std::to_string(cid_map) + " 0 R" : std::string("/Identity");
    pdf.Object(descendant, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                               " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                               " /FontDescriptor " +
                               std::to_string(descriptor) + " 0 R /DW " + Num(font.typical_width) + " /W [" +
                               widths + "] /CIDToGIDMap " + cid_to_gid + " >>");
    pdf.Object(descriptor, "<< /Type /FontDescriptor /FontName /" + name + " /Flags 33 /FontBBox [" +
                               Num(face->bbox.xMin * scale) + " " + Num(face->bbox.yMin * scale) + " " +
                               Num(face->bbox.xMax * scale) + " " + Num(face->bbox.yMax * scale) +
                               "] /ItalicAngle 0 /Ascent " + Num(font.ascent) + " /Descent " +
                               Num(-font.descent) + " /CapHeight " + Num(cap_height) +
                               " /StemV 80 /FontFile2 " + std::to_string(file) + " 0 R >>");
    return pdf.Stream(file, program.file, " /Length1 " + std::to_string(program.file.size())) &&
           pdf.Stream(to_unicode, ToUnicodeMap(font)) &&
           (!cid_map || pdf.Stream(cid_map, program.cid_to_gid));
}

}  // namespace

bool RenderPdf(const PrintDocument& document, const PrintFaces& faces, std::string& out, std::string& error) {
    return RenderPdf(document, faces, PdfOptions{}, out, error);
}

bool RenderPdf(const PrintDocument& document, const PrintFaces& faces, const PdfOptions& options,
               std::string& out, std::string& error) {
    FT_Library raw = nullptr;
    if (FT_Init_FreeType(&raw) != 0) {
        error = "The font library (FreeType) could not be started.";
        return false;
    }
    FtLibrary lib(raw);

    // One embedded font per distinct file.
    std::vector<std::unique_ptr<EmbeddedFont>> embedded;
    auto load = [&](const FontFile& file) -> EmbeddedFont* {
        for (auto& f : embedded)
            if (f->path == file.path) return f.get();
        auto font = std::make_unique<EmbeddedFont>();
        if (!LoadFont(lib.get(), file, int(embedded.size()), *font, error)) return nullptr;
        font->resource = "F" + std::to_string(embedded.size());
        embedded.push_back(std::move(font));
        return embedded.back().get();
    };
    EmbeddedFont* regular = load(faces.regular);
    EmbeddedFont* bold = regular ? load(faces.bold) : nullptr;
    if (!regular || !bold) return false;
    EmbeddedFont* fallback = faces.fallback ? load(*faces.fallback) : nullptr;
    if (faces.fallback && !fallback) return false;

    PdfBuilder pdf;
    const int catalog = pdf.Reserve();
    const int pages = pdf.Reserve();
    const int info = pdf.Reserve();
    for (auto& f : embedded) f->object = pdf.Reserve();

    std::string font_resources;
    for (auto& f : embedded) font_resources += "/" + f->resource + " " + std::to_string(f->object) + " 0 R ";

    std::string kids;
    const std::string media = "[0 0 " + Num(document.page_width) + " " + Num(document.page_height) + "]";
    for (const PrintSheet& sheet : document.sheets) {
        PageWriter writer(faces, {regular, bold, fallback}, document.page_height);
        if (!sheet.header.empty())
            writer.Line(sheet.header, sheet.header_left, sheet.header_top, sheet.header_cell_width,
                        sheet.header_font_size * 1.1, sheet.header_font_size);
        for (const TextBlock& block : sheet.blocks)
            for (size_t row = 0; row < block.lines.size(); ++row)
                writer.Line(block.lines[row], block.left, block.top + double(row) * block.line_height,
                            block.cell_width, block.line_height, block.font_size);
        const int page = pdf.Reserve();
        const int content = pdf.Reserve();
        if (!pdf.Stream(content, writer.Content())) {
            error = "The page could not be compressed.";
            return false;
        }
        pdf.Object(page, "<< /Type /Page /Parent " + std::to_string(pages) + " 0 R /MediaBox " + media +
                             " /Resources << /Font << " + font_resources + ">> >> /Contents " +
                             std::to_string(content) + " 0 R >>");
        kids += std::to_string(page) + " 0 R ";
    }
    for (auto& f : embedded) {
        if (!WriteFont(pdf, *f, options.subset_faces)) {
            error = "The font " + f->path + " could not be compressed.";
            return false;
        }
    }
    pdf.Object(pages, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                          std::to_string(document.sheets.size()) + " >>");
    pdf.Object(catalog, "<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
    pdf.Object(info, "<< /Title " + LiteralString(document.title) + " /Producer (Orkan TN3270) >>");
    out = pdf.Finish(catalog, info);
    return true;
}

}  // namespace orkan
