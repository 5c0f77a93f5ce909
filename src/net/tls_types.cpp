#include "net/tls_types.h"

#include <string_view>

namespace orkan {

namespace {

constexpr size_t kLabelWidth = 25;

void AddLine(std::string& text, std::string_view label, std::string_view value) {
    text += label;
    if (label.size() < kLabelWidth) text.append(kLabelWidth - label.size(), ' ');
    text += value;
    text += "\r\n";
}

}  // namespace

std::string TlsInfoText(const TlsInfo& info) {
    std::string text;
    AddLine(text, "OpenSSL Version:", info.library_version);
    AddLine(text, "Encryption:", info.cipher + " - " + std::to_string(info.cipher_bits) + " bits");
    AddLine(text, "Protocol:", info.protocol);
    AddLine(text, "Issued By:", info.issuer);
    AddLine(text, "Organization:", info.organization);
    AddLine(text, "Distinguished Name:", info.distinguished_name);
    AddLine(text, "Department:", info.department);
    AddLine(text, "Country:", info.country);
    AddLine(text, "State/Province:", info.state);
    AddLine(text, "City:", info.city);
    AddLine(text, "Domain:", info.domain);
    AddLine(text, "Valid:", "From " + info.valid_from + " to " + info.valid_to);
    AddLine(text, "Host IP Address:", info.host_address);
    AddLine(text, "Port Number:", std::to_string(info.port));
    AddLine(text, "CA Certificate File:", info.ca_file);
    AddLine(text, "Client Certificate File:", info.client_cert_file);
    AddLine(text, "Client Key File:", info.client_key_file);
    AddLine(text, "Self-Signed Certificate:", info.refuse_self_signed ? "Refused" : "Accepted");
    AddLine(text, "Certificate Domain:",
            info.check_host_name ? "Must match host name" : "Does not need to match host name");
    return text;
}

}  // namespace orkan
