#include "ds3270/geometry.h"

#include <array>

#include "session/session.h"

namespace orkan {
namespace {

struct FixedModel {
    uint8_t columns;
    uint8_t rows;
};
constexpr std::array<FixedModel, 4> kFixedModels = {{{80, 24}, {80, 32}, {80, 43}, {132, 27}}};

constexpr ScreenSize kFallbackSize{24, 80};

bool Usable(ScreenSize s) {
    return s.rows >= 1 && s.columns >= 1 && s.Positions() <= kMaxAddressablePositions;
}

std::string TypeFor(const ProgramSettings& s, int index) {
    const std::string* type = &s.TermTypeUser;
    switch (index) {
        case 0:
            type = &s.TermType2;
            break;
        case 1:
            type = &s.TermType3;
            break;
        case 2:
            type = &s.TermType4;
            break;
        case 3:
            type = &s.TermType5;
            break;
        default:
            break;
    }
    return type->substr(0, 20);
}

}  // namespace

int TerminalModelIndex(const Session& session) {
    const uint32_t index = session.record.Number(field::TerminalModel);
    return index < kTerminalModelCount ? int(index) : 0;
}

TerminalModel TerminalModelEntry(const Session& session, int index) {
    if (index < 0 || index >= kTerminalModelCount) index = 0;
    TerminalModel model;
    model.terminal_type = TypeFor(session.settings, index);
    if (index < kUserModelIndex) {
        model.size = {kFixedModels[index].rows, kFixedModels[index].columns};
        return model;
    }
    const ScreenSize user{session.record.Number(field::UserScreenHeight),
                          session.record.Number(field::UserScreenWidth)};
    // The session editor keeps these in range; a damaged file must not give a screen the planes
    // cannot hold or 14-bit addresses cannot reach.
    const bool in_range = user.columns >= 80 && user.columns <= 200 && user.rows >= 24 && user.rows <= 200;
    model.size = in_range && Usable(user) ? user : kFallbackSize;
    return model;
}

ScreenSize DefaultScreenSize(const Session& session) {
    ScreenSize size{session.record.Number(field::DefaultRows), session.record.Number(field::DefaultColumns)};
    if (size.rows == 0) size.rows = 24;
    if (size.columns == 0) size.columns = 80;
    return Usable(size) ? size : kFallbackSize;
}

ScreenSize AlternateScreenSize(const Session& session) {
    return TerminalModelEntry(session, TerminalModelIndex(session)).size;
}

}  // namespace orkan
