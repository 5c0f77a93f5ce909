#include "session/window_title.h"

#include "config/profile_file.h"
#include "session/session.h"

namespace orkan {

namespace {

std::string SessionFileName(const Session& session) {
    return session.record.Text(field::SessionFile);
}

std::string WithoutSes(std::string name) {
    if (name.size() >= 4 && EqualsIgnoreCase(std::string_view(name).substr(name.size() - 4), ".ses"))
        name.resize(name.size() - 4);
    return name;
}

}  // namespace

std::string ExpandSessionText(std::string_view text, const Session& session,
                              std::optional<SessionStatus> status) {
    std::string out;
    out.reserve(text.size() + 32);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char code = text[i + 1];
        switch (code) {
            case '&':
                out += '&';
                break;
            case 'L':
                out += session.letter;
                break;
            case 'S':
                out += SessionFileName(session);
                break;
            case 'N':
                out += WithoutSes(SessionFileName(session));
                break;
            case 'H':
                out += session.record.Text(field::HostName);
                break;
            case 'P':
                out += std::to_string(session.record.Number(field::Port));
                break;
            case 'U':
                out += session.link.assigned_lu_name.empty() ? session.record.Text(field::LuName)
                                                             : session.link.assigned_lu_name;
                break;
            case 'T':
                out += StatusName(status.value_or(session.status));
                break;
            default:
                out += '&';
                out += code;
                break;
        }
        ++i;
    }
    return out;
}

std::string BuildWindowTitle(const Session& session) {
    const std::string custom = session.record.Text(field::WindowTitle);
    if (!custom.empty()) return ExpandSessionText(custom, session);
    std::string title = ExpandSessionText(kDefaultTitleTemplate, session);
    const std::string host = session.record.Text(field::HostName);
    if (!host.empty()) title += " - " + host;
    return title;
}

}  // namespace orkan
