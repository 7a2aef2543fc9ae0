// Reads requests on standard input, one a line, and writes one answer a line, so that an
// independent model can check the core on many cases:
//   C <page> <from> <to> <mark> <text>   -> the result text, or "!<kind>"
//   F <hex of the 10 bytes, high first>  -> FormatNumber of that bit pattern
// <mark> is the decimal mark character; <text> is the rest of the line, spaces included.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "convert/conversion.h"
#include "convert/number_text.h"
#include "failure/failure.h"

int main() {
    SetArithmeticEnvironment();
    std::string line;
    std::string out;
    while (std::getline(std::cin, line)) {
        if (line.size() > 2 && line[0] == 'C') {
            // Fields are separated by single spaces; the text is everything after the fifth.
            std::size_t at = 0;
            std::string fields[4];
            for (int i = 0; i < 5; ++i) {
                const std::size_t next = line.find(' ', at);
                if (i > 0) fields[i - 1] = line.substr(at, next - at);
                at = next == std::string::npos ? line.size() : next + 1;
            }
            const int page = std::stoi(fields[0]);
            const int from = std::stoi(fields[1]);
            const int to = std::stoi(fields[2]);
            const char mark = fields[3].empty() ? '.' : fields[3][0];
            const std::string text = line.substr(at);
            SetDecimalMark(mark);
            ConversionState state;
            try {
                const auto shown = Convert(static_cast<Page>(page), from, to, text, state);
                out += shown.value_or("<none>");
            } catch (const Failure& f) {
                out += f.Kind() == FailureKind::InvalidNumber ? "!invalid" : "!overflow";
            }
        } else if (line.size() >= 22 && line[0] == 'F') {
            ExtendedBits bits{0, 0};
            for (int i = 0; i < 10; ++i) {
                unsigned v = 0;
                std::sscanf(line.c_str() + 2 + 2 * i, "%2x", &v);
                if (i < 2) {
                    bits.signExponent = static_cast<std::uint16_t>(bits.signExponent << 8 | v);
                } else {
                    bits.significand = bits.significand << 8 | v;
                }
            }
            const Extended x = ExtendedFromBits(bits);
            SetDecimalMark('.');
            out += FormatNumber(x);
        } else {
            out += "?";
        }
        out += '\n';
    }
    std::fputs(out.c_str(), stdout);
}
