// The failure that every layer raises: an exception carrying its finished, user-facing
// message (UTF-8). Plain C++ so that the conversion core and the settings layer can raise it
// without knowing how it is shown.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

enum class FailureKind {
    InvalidNumber,         // text that is not a number
    FloatingPointOverflow, // a value beyond the double range stored into a double
    SettingsWrite,         // the window placement file could not be written
    OutOfMemory,           // a memory request that could not be met
};

// The name of a failure's kind, as the last-resort notice shows it.
constexpr const char* FailureKindName(FailureKind kind) noexcept {
    switch (kind) {
    case FailureKind::InvalidNumber:
        return "InvalidNumberFailure";
    case FailureKind::FloatingPointOverflow:
        return "FloatingPointOverflowFailure";
    case FailureKind::SettingsWrite:
        return "SettingsWriteFailure";
    case FailureKind::OutOfMemory:
        return "OutOfMemoryFailure";
    }
    return "Failure";
}

// Message texts. "%s" stands for the one argument.
inline constexpr std::string_view kInvalidNumberMessage = "'%s' は浮動小数点数ではありません";
inline constexpr std::string_view kFloatingPointOverflowMessage = "浮動小数点数のオーバーフロー";
inline constexpr std::string_view kSettingsWriteMessage = "%s に書き込めません";
inline constexpr std::string_view kOutOfMemoryMessage = "メモリが足りません";

class Failure : public std::exception {
public:
    Failure(FailureKind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

    const char* what() const noexcept override { return message_.c_str(); }
    FailureKind Kind() const noexcept { return kind_; }
    const std::string& Message() const noexcept { return message_; }

    // True for the failures that come from the floating-point arithmetic itself: the catch
    // point sets the arithmetic environment again before it shows them.
    bool FromArithmetic() const noexcept { return kind_ == FailureKind::FloatingPointOverflow; }

private:
    FailureKind kind_;
    std::string message_;
};

// Fills the single "%s" of a message text with an argument, taken as it is (an argument that
// itself holds "%" is not interpreted).
inline std::string FillMessage(std::string_view format, std::string_view argument) {
    std::string out;
    const auto at = format.find("%s");
    if (at == std::string_view::npos) return std::string(format);
    out.reserve(format.size() + argument.size());
    out.append(format.substr(0, at));
    out.append(argument);
    out.append(format.substr(at + 2));
    return out;
}

inline Failure InvalidNumberFailure(std::string_view text) {
    return Failure(FailureKind::InvalidNumber, FillMessage(kInvalidNumberMessage, text));
}
inline Failure FloatingPointOverflowFailure() {
    return Failure(FailureKind::FloatingPointOverflow, std::string(kFloatingPointOverflowMessage));
}
inline Failure SettingsWriteFailure(std::string_view path) {
    return Failure(FailureKind::SettingsWrite, FillMessage(kSettingsWriteMessage, path));
}
inline Failure OutOfMemoryFailure() {
    return Failure(FailureKind::OutOfMemory, std::string(kOutOfMemoryMessage));
}
