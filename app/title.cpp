#include "app/title.h"

#include <cstdio>

std::string ApplicationTitleFromPath(std::string_view executablePath) {
    std::string_view name = executablePath;
    if (const auto slash = name.rfind('/'); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    if (const auto dot = name.find('.'); dot != std::string_view::npos) {
        name = name.substr(0, dot);
    }
    std::string title(name);
    for (std::size_t i = 1; i < title.size(); ++i) {
        if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
    }
    return title;
}

std::string LastResortText(std::string_view kindName, std::string_view moduleName,
                           std::uint32_t address, std::string_view message) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(address));
    std::string text;
    text.append(kindName);
    text.append("がモジュール ");
    text.append(moduleName);
    text.append(" の ");
    text.append(hex);
    text.append(" で発生しました。\n");
    text.append(message);
    if (!message.empty() && message.back() != '.') text.push_back('.');
    constexpr std::size_t kLimit = 1023;
    if (text.size() > kLimit) {
        std::size_t cut = kLimit;
        // Do not leave half a UTF-8 character at the end.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
    }
    return text;
}
