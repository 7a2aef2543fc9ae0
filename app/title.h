// Start-up texts that need no toolkit: the application title and the last-resort notice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The title from the executable's path: the file name after the last "/", cut before its
// first ".", every ASCII letter after the first byte lower-cased (UTF-8 bytes stay as they
// are). "/opt/UNITS.EXE" gives "Units".
std::string ApplicationTitleFromPath(std::string_view executablePath);

// The last-resort notice's caption and text: the failure's kind, the module's file name, the
// address as eight upper-case hexadecimal digits, the message and "." unless the message is
// empty or ends in ".". The text is at most 1023 bytes, cut at a character boundary.
inline constexpr std::string_view kLastResortCaption = "アプリケーション エラー";
std::string LastResortText(std::string_view kindName, std::string_view moduleName,
                           std::uint32_t address, std::string_view message);
