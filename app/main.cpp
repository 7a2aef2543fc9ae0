#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/title.h"
#include "convert/number_text.h"
#include "failure/failure.h"
#include "forms/About.h"
#include "forms/glyphs.h"
#include "forms/runamika95.h"

namespace {

MessageLanguage startupLanguage = MessageLanguage::English;
QString startupDisplay;
QtMessageHandler toolkitMessageHandler = nullptr;

// What the toolkit says while the application object is made, held back until it is known
// whether the platform started.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage>& HeldMessages() {
    static std::vector<HeldMessage> held;
    return held;
}

// In force while the application object is made: a fatal message then means that the toolkit
// could not start its platform (a display that does not answer, a platform that is not
// installed). One line of ours, in the user's language, replaces the toolkit's messages and
// its abort, and the program ends with code 1.
void EndOnPlatformFailure(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (type != QtFatalMsg) {
        HeldMessages().push_back({type, QByteArray(context.category), message});
        return;
    }
    QStringList said;
    for (const HeldMessage& held : HeldMessages()) said.append(held.text);
    said.append(message);
    std::fputs(PlatformFailureLine(said, startupDisplay, startupLanguage).toUtf8().constData(),
               stderr);
    std::_Exit(1);
}

// The platform started: what the toolkit said meanwhile goes where its messages go.
void ReleaseHeldMessages() {
    for (const HeldMessage& held : HeldMessages()) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
        toolkitMessageHandler(held.type, context, held.text);
    }
    HeldMessages().clear();
}

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

// Builds the main window, shows it and runs the loop until the application ends.
int Run(RunamikaApplication& application) {
    application.setWindowIcon(ApplicationIcon());
    TForm1 form;
    Form1 = &form;
    // The About dialog is made when it is first opened: most starts never open it.
    MakeAboutBoxOnFirstUse(&form);
    struct ForgetWindows {
        ~ForgetWindows() {
            MakeAboutBoxOnFirstUse(nullptr);
            AboutBox = nullptr;
            Form1 = nullptr;
        }
    } forget;

    form.ShowWhenFrameKnown(ArmStartupProbe);
    return FinishAfterLoop(application.exec());
}

} // namespace

int main(int argc, char** argv) {
    // The arithmetic environment and the decimal mark come before anything else.
    SetArithmeticEnvironment();
    ReadDecimalMarkFromLocale();

    // The command line is read before the toolkit starts, so that --help, --version and a wrong
    // option need no display and open none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLineOutcome commandLine =
        ReadCommandLine(arguments, [](const char* name) { return qEnvironmentVariable(name); });
    if (!commandLine.startWindow) {
        std::fputs(commandLine.out.toUtf8().constData(), stdout);
        std::fputs(commandLine.err.toUtf8().constData(), stderr);
        return commandLine.exitCode;
    }

    std::optional<RunamikaApplication> application;
    try {
        startupLanguage = commandLine.language;
        startupDisplay = commandLine.display;
        toolkitMessageHandler = qInstallMessageHandler(EndOnPlatformFailure);
        application.emplace(argc, argv);
        qInstallMessageHandler(toolkitMessageHandler);
        ReleaseHeldMessages();
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
