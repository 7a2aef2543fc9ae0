// forms_close_helper FILE: shows the main window with FILE as its placement file on the
// offscreen platform, then for each line "close" read from stdin tries to close it and prints
//   bounds LEFT TOP WIDTH HEIGHT   the outer rectangle at the attempt
//   notice TEXT                    for each notice the attempt showed
//   open | closed                  how the attempt ended
// It exits with 0 once the window has closed, 2 when stdin ends first. The read-only window
// tests run it as an unprivileged user: permission bits do not stop root.
#include <QApplication>

#include <cstdio>
#include <iostream>
#include <string>

#include "convert/number_text.h"
#include "forms/runamika95.h"
#include "notices/notice.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SetArithmeticEnvironment();
    QApplication application(argc, argv);
    SetNoticePresenter([](const std::string& text, const std::string&) {
        std::printf("notice %s\n", text.c_str());
        return 1;
    });
    TForm1 form(argv[1]);
    form.show();
    QApplication::processEvents();
    for (std::string line; std::getline(std::cin, line);) {
        if (line != "close") continue;
        const QRect outer = form.frameGeometry();
        std::printf("bounds %d %d %d %d\n", outer.x(), outer.y(), outer.width(), outer.height());
        const bool closed = form.close();
        QApplication::processEvents();
        std::printf("%s\n", closed && !form.isVisible() ? "closed" : "open");
        std::fflush(stdout);
        if (closed) return 0;
    }
    return 2;
}
