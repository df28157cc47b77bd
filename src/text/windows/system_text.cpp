#include "text/windows/system_text.h"

#include <windows.h>

namespace systemtext {
namespace {

// `text` in the narrow code page `codePage` (CP_ACP or CP_UTF8).
std::string narrow(const std::wstring& text, UINT codePage) {
    const int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

class WindowsCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "windows"; }
    std::string message(int code) const override {
        const std::wstring text = systemtext::message(static_cast<unsigned long>(code));
        return text.empty() ? "Error " + std::to_string(static_cast<unsigned long>(code))
                            : narrow(text, CP_ACP);
    }
};

}  // namespace

std::wstring message(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

const std::error_category& windowsCategory() {
    static const WindowsCategory category;
    return category;
}

void throwLastError() {
    // Without a what-argument, what() is the category's message alone.
    throw std::system_error(static_cast<int>(::GetLastError()), windowsCategory());
}

std::wstring wide(const std::string& utf8) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string utf8(const std::wstring& text) {
    return narrow(text, CP_UTF8);
}

}  // namespace systemtext
