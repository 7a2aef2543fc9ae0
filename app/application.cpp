#include "app/application.h"

#include <QLocale>

#include "app/title.h"
#include "convert/number_text.h"
#include "forms/hints.h"
#include "notices/notice.h"

void ReadDecimalMarkFromLocale() {
    SetDecimalMark(DecimalMarkFromLocaleText(QLocale::system().decimalPoint().toStdString()));
}

RunamikaApplication::RunamikaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The title captions every notice; the main window's caption is its own.
    setApplicationName(
        QString::fromStdString(ApplicationTitleFromPath(applicationFilePath().toStdString())));
    // The hint timings are the application style's: set once, before any window exists.
    UseHintTimings();
}

bool RunamikaApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

bool RunamikaApplication::event(QEvent* event) {
    // A change of the regional settings reaches the application object first, then its windows.
    if (event->type() == QEvent::LocaleChange) ReadDecimalMarkFromLocale();
    return QApplication::event(event);
}
