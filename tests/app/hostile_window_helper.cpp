// hostile_window_helper FILE: opens the main window with FILE as its placement file on the
// offscreen platform, then closes it twice, reporting on standard output, one line each:
//   shown WIDTH HEIGHT        the outer size at the first showing
//   bounds LEFT TOP W H       the outer rectangle that the close writes
//   close ACCEPTED MS         whether a close went through, and how long it took
//   notice TEXT               every notice, as it is shown
// Notices are recorded, not shown, so nothing waits for a user.
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <string>

#include "convert/number_text.h"
#include "forms/runamika95.h"
#include "notices/notice.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string file = argv[1];
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SetArithmeticEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runamika"));
    SetNoticePresenter([](const std::string& text, const std::string&) {
        std::printf("notice %s\n", text.c_str());
        std::fflush(stdout);
        return 1;
    });

    TForm1 form(file);
    Form1 = &form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return 4;
    const QRect outer = form.frameGeometry();
    std::printf("shown %d %d\n", outer.width(), outer.height());
    std::printf("bounds %d %d %d %d\n", outer.x(), outer.y(), outer.width(), outer.height());
    std::fflush(stdout);

    // A close goes through, written or not; were one refused, the second attempt would show it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QElapsedTimer timer;
        timer.start();
        const bool accepted = form.close();
        std::printf("close %d %lld\n", accepted ? 1 : 0, static_cast<long long>(timer.elapsed()));
        std::fflush(stdout);
        if (accepted) break;
        if (!form.isVisible()) return 5;
    }
    Form1 = nullptr;
    return 0;
}
