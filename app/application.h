// The application object: the outer catch point of the event loop, the decimal mark that
// follows the user's locale, and the style that carries the hint timings.
#pragma once

#include <QApplication>

// Reads the decimal mark from the user's locale: its decimal point when that is one ASCII
// character, "." otherwise.
void ReadDecimalMarkFromLocale();

// Called with the loop's exit code once the loop has ended and everything is saved. On Wayland
// the toolkit's own teardown can wait for ever for its event thread (caught between preparing a
// read from the compositor and doing it), so the process ends here at once; elsewhere the code is
// returned and the windows are destroyed as usual.
int FinishAfterLoop(int code);

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
