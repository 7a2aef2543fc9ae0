// The application object: the outer catch point of the event loop, the decimal mark that
// follows the user's locale, and the style that carries the hint timings.
#pragma once

#include <QApplication>

// Reads the decimal mark from the user's locale: its decimal point when that is one ASCII
// character, "." otherwise.
void ReadDecimalMarkFromLocale();

class RunamikaApplication : public QApplication {
    Q_OBJECT
public:
    RunamikaApplication(int& argc, char** argv);

    // Every event is delivered under a catch-all: a failure that escapes the handling of an
    // event is shown as a notice and the loop goes on.
    bool notify(QObject* receiver, QEvent* event) override;

protected:
    bool event(QEvent* event) override;
};
