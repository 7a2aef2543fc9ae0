#include <gtest/gtest.h>

#include "app/title.h"

namespace {

TEST(ApplicationTitle, FileNameCutAtFirstDotRestLowerCased) {
    const struct {
        const char* path;
        const char* title;
    } cases[] = {
        {"/opt/UNITS.EXE", "Units"},
        {"/opt/units.exe", "units"},
        {"/usr/local/bin/conv.tool.exe", "conv"},
        {"/home/a.b/RUNAMIKA", "Runamika"},
        {"runamika", "runamika"},
        {"/opt/.hidden", ""},
        {"/opt/ルナミカ.EXE", "ルナミカ"},
        {"/opt/Éa.bin", "Éa"},
        {"/opt/xÀB", "xÀb"}, // only ASCII letters change
    };
    for (const auto& c : cases) EXPECT_EQ(ApplicationTitleFromPath(c.path), c.title) << c.path;
}

TEST(LastResortText, FillsTheFiveFieldsAndAppendsAFullStopByTheLastByte) {
    EXPECT_EQ(LastResortText("InvalidNumberFailure", "runamika", 0x1A2B,
                             "'x' は浮動小数点数ではありません"),
              "InvalidNumberFailureがモジュール runamika の 00001A2B で発生しました。\n"
              "'x' は浮動小数点数ではありません.");
    EXPECT_EQ(LastResortText("K", "m", 0xFFFFFFFF, "ends)"),
              "Kがモジュール m の FFFFFFFF で発生しました。\nends).");
    EXPECT_EQ(LastResortText("K", "m", 0, "done."),
              "Kがモジュール m の 00000000 で発生しました。\ndone.");
    EXPECT_EQ(LastResortText("K", "m", 0, ""), "Kがモジュール m の 00000000 で発生しました。\n");
}

TEST(LastResortText, IsCutToAtMost1023BytesOnACharacterBoundary) {
    std::string japanese;
    for (int i = 0; i < 400; ++i) japanese += "あ";
    for (const std::string& message : {std::string(2000, 'a'), japanese}) {
        const std::string text = LastResortText("K", "m", 0, message);
        EXPECT_LE(text.size(), 1023u);
        EXPECT_GE(text.size(), 1021u);
        // The last byte ends a character: no UTF-8 lead byte without its continuation.
        const auto last = static_cast<unsigned char>(text.back());
        EXPECT_TRUE(last < 0x80 || (last & 0xC0) == 0x80);
    }
}

} // namespace
