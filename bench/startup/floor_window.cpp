// The toolkit's floor: the smallest Qt Widgets program that shows a window, reporting the
// moment it is shown the same way the program does. With the argument "--japanese-menu" the
// window also carries a menu bar and one line of Japanese text, which brings in the font
// fallback that any Japanese window pays for.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <ctime>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    if (argc > 1 && std::strcmp(argv[1], "--japanese-menu") == 0) {
        window.menuBar()->addMenu(QStringLiteral("バージョン情報(&V)"));
        auto* label = new QLabel(QStringLiteral("変換前"), &window);
        label->move(24, 360);
    }
    window.resize(661, 492);
    window.show();
    QTimer::singleShot(0, [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return application.exec();
}
