#include "device/linux/bridge_description.h"

#include "text/codepage.h"

#include <QByteArray>
#include <QString>

namespace bridgedescription {

std::string fromProductString(std::string_view sysfsText) {
    const std::size_t end = sysfsText.find_first_of(std::string_view("\n\0", 2));
    const std::string_view line = sysfsText.substr(0, end);
    const QByteArray encoded =
        codepage::encode(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    std::string description(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    if (description.size() > kMaxBytes) description.resize(kMaxBytes);
    return description;
}

bool isValidBridgeName(std::string_view name) {
    if (name.empty() || name.size() > kMaxBytes || name.front() == '.') return false;
    for (const char c : name) {
        if (c < 0x20 || c > 0x7E || c == '/') return false;
    }
    return true;
}

}  // namespace bridgedescription
