#include "app/application.h"

#include <QLocale>

#include <cstdio>
#include <cstdlib>

#include "app/title.h"
#include "convert/number_text.h"
#include "forms/frame.h"
#include "forms/hints.h"
#include "notices/notice.h"

int FinishAfterLoop(int code) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

void ReadDecimalMarkFromLocale() {
    SetDecimalMark(DecimalMarkFromLocaleText(QLocale::system().decimalPoint().toStdString()));
}

RunamikaApplication::RunamikaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The title captions every notice; the main window's caption is its own.
    setApplicationName(
        QString::fromStdString(ApplicationTitleFromPath(applicationFilePath().toStdString())));
    // The hint timings are the application style's: set once, before any window exists.
    UseHintTimings();
    // Docks and task bars find the launcher of the window by this name.
    setDesktopFileName(QStringLiteral("com.example.runamika"));
    // Notices are centred with the frame that the window manager will put around them.
    SetFrameQuery([](QWidget* window) { return AwaitFrame(window); });
}

bool RunamikaApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

bool RunamikaApplication::event(QEvent* event) {
    // A change of the regional settings reaches the application object first, then its windows.
    if (event->type() == QEvent::LocaleChange) ReadDecimalMarkFromLocale();
    // Told to end (the session manager's "die" at log-off or shutdown): the loop ends without
    // closing the windows, so the main window's close does not run and nothing is written.
    // The toolkit's own handling would close every window first. A normal close has closed
    // the main window already when this arrives.
    if (event->type() == QEvent::Quit) return QCoreApplication::event(event);
    return QApplication::event(event);
}
