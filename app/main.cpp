#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/title.h"
#include "convert/number_text.h"
#include "forms/About.h"
#include "forms/glyphs.h"
#include "forms/runamika95.h"
#include "failure/failure.h"

namespace {

// With RUNAMIKA_STARTUP_PROBE set, the program prints the monotonic clock (nanoseconds) once
// the main window is shown and leaves the loop at once: the start-up measurement uses it.
void ArmStartupProbe() {
    if (qEnvironmentVariableIsEmpty("RUNAMIKA_STARTUP_PROBE")) return;
    QTimer::singleShot(0, [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
}

// Shows the last-resort notice for a failure that escaped outside any event, then gives the
// exit code 1.
int LastResort(std::string_view kindName, const std::string& message) noexcept {
    try {
        SetArithmeticEnvironment();
        std::string module = "runamika";
        if (QCoreApplication::instance() != nullptr) {
            module = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
        }
        const std::string text = LastResortText(kindName, module, 0, message);
        std::fprintf(stderr, "%s\n", text.c_str());
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
            QMessageBox box(QMessageBox::Critical,
                            QString::fromUtf8(kLastResortCaption.data(),
                                              static_cast<qsizetype>(kLastResortCaption.size())),
                            QString::fromStdString(text), QMessageBox::Ok);
            box.setWindowModality(Qt::ApplicationModal);
            box.exec();
        }
    } catch (...) {
        // Nothing more can be shown.
    }
    return 1;
}

// Builds both windows, shows the main one and runs the loop until the application ends.
int Run(RunamikaApplication& application) {
    application.setWindowIcon(ApplicationIcon());
    TForm1 form;
    Form1 = &form;
    TAboutBox about(&form);
    AboutBox = &about;
    struct ForgetWindows {
        ~ForgetWindows() {
            AboutBox = nullptr;
            Form1 = nullptr;
        }
    } forget;

    form.show();
    ArmStartupProbe();
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    // The arithmetic environment and the decimal mark come before anything else.
    SetArithmeticEnvironment();
    ReadDecimalMarkFromLocale();

    std::optional<RunamikaApplication> application;
    try {
        application.emplace(argc, argv);
        return Run(*application);
    } catch (const Failure& failure) {
        return LastResort(FailureKindName(failure.Kind()), failure.Message());
    } catch (const std::bad_alloc&) {
        return LastResort(FailureKindName(FailureKind::OutOfMemory),
                          std::string(kOutOfMemoryMessage));
    } catch (const std::exception& other) {
        return LastResort("std::exception", other.what());
    } catch (...) {
        return LastResort("UnknownFailure", std::string());
    }
}
