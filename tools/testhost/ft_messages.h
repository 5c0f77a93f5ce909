// The transfer program's messages. Each begins with a ten-character identifier ("TRANS03 - ");
// the text after it fits the 80 characters a terminal shows, and ends at the '$' that follows.
#pragma once

#include <string>

namespace testhost::ft {

enum class Msg {
    Complete = 3,         // File transfer complete
    BadName = 5,          // the host file name is not valid
    Incomplete = 6,       // the command lacks PUT/GET or a name
    Canceled = 13,        // the terminal canceled the transfer
    NotFound = 14,        // the host file does not exist
    RecordTooLong = 15,   // an uploaded record does not fit LRECL
    Protocol = 16,        // the terminal broke the protocol
    BadOption = 17,       // an unknown or malformed option
    WrongDirection = 18,  // an option that this direction does not take
    NoMember = 19,        // a partitioned data set without a member name, or the reverse
    HostError = 20,       // the host could not keep the file
    Injected = 99,        // a fault asked for on the command line
};

inline std::string Message(Msg id, const std::string& text) {
    const int n = static_cast<int>(id);
    std::string m =
        std::string("TRANS") + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10) + " - ";
    m += text.size() > 80 ? text.substr(0, 77) + "..." : text;
    return m;
}

// The message as it travels: terminals end it at the first '$', so a detail holding one (a name
// such as ORKUSER.$DATA) is left off there; the READY screen shows it whole.
inline std::string WireText(const std::string& message) {
    const size_t dollar = message.find('$');
    if (dollar == std::string::npos) return message;
    const size_t colon = message.rfind(": ", dollar);
    return message.substr(0, colon != std::string::npos && colon > 10 ? colon : dollar);
}

inline const std::string& CompleteMessage() {
    static const std::string m = Message(Msg::Complete, "File transfer complete");
    return m;
}

}  // namespace testhost::ft
