// window_probe: the program itself (same application object, same windows), which also answers
// the desktop tests on standard input, one line per question:
//   rect NAME         -> "x y w h": where the control named NAME is on the screen, in device
//                        pixels ("item GROUP INDEX" for a radio item of a group)
//   text NAME         -> the control's text
//   outer             -> "w h": the window's outer size as the program sees it, once the window
//                        is shown and exposed ("-" before), in the window's own pixels
//   client            -> "w h": the size of the area below the menu bar that holds the controls
//   shown             -> "yes" once the program has shown the window and its requests have
//                        reached the window system (mapped or not), else "no"
//   framed            -> "yes" once the window has taken in the frame its manager put around
//                        it at its first showing, else "no"
//   state             -> "normal", "maximised" or "minimised"
//   maximise, close   -> "ok": what the title bar's buttons ask, for platforms where the test
//                        cannot reach the window from outside (a Wayland compositor)
//   about             -> "ok", then the version menu command opens the About dialog
//   notice            -> "ok", then Calculate runs on the input "abc" and its notice appears
//   clipboard         -> the clipboard's text
//   active            -> the title of the window the program has as its active one ("-": none)
// "-" stands for a question it cannot answer.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "app/application.h"
#include "convert/number_text.h"
#include "forms/About.h"
#include "forms/frame.h"
#include "forms/glyphs.h"
#include "forms/runamika95.h"

namespace {

void Answer(TForm1& form, const std::string& line) {
    std::istringstream words(line);
    std::string question, name;
    words >> question >> name;
    if (question == "outer") {
        QWindow* window = form.windowHandle();
        if (window == nullptr || !window->isExposed()) {
            std::printf("-\n");
        } else {
            const QRect outer = form.OuterRect();
            std::printf("%d %d\n", outer.width(), outer.height());
        }
        std::fflush(stdout);
        return;
    }
    if (question == "client") {
        const QWidget* client = form.centralWidget();
        std::printf("%d %d\n", client->width(), client->height());
        std::fflush(stdout);
        return;
    }
    if (question == "shown") {
        // After a round trip: whatever the program asked of the window system has reached it.
        ClientPositionNow(&form);
        std::printf("%s\n", form.isVisible() ? "yes" : "no");
        std::fflush(stdout);
        return;
    }
    if (question == "framed") {
        std::printf("%s\n", form.FrameTakenIn() ? "yes" : "no");
        std::fflush(stdout);
        return;
    }
    if (question == "state") {
        std::printf("%s\n", form.isMinimized()   ? "minimised"
                            : form.isMaximized() ? "maximised"
                                                 : "normal");
        std::fflush(stdout);
        return;
    }
    if (question == "maximise" || question == "close") {
        std::printf("ok\n");
        std::fflush(stdout);
        if (question == "maximise") {
            form.showMaximized();
        } else {
            form.close();
        }
        return;
    }
    if (question == "about" || question == "notice") {
        std::printf("ok\n");
        std::fflush(stdout);
        // From the event loop: the modal dialog runs a loop of its own, which keeps answering.
        QTimer::singleShot(0, &form, [&form, question] {
            if (question == "about") {
                form.K1->trigger();
            } else {
                form.Edit11->setText(QStringLiteral("abc"));
                form.Button11->click();
            }
        });
        return;
    }
    if (question == "clipboard" || question == "active") {
        const QWidget* active = QApplication::activeWindow();
        const QString text = question == "clipboard" ? QGuiApplication::clipboard()->text()
                             : active != nullptr     ? active->windowTitle()
                                                     : QStringLiteral("-");
        std::printf("%s\n", text.toStdString().c_str());
        std::fflush(stdout);
        return;
    }
    QWidget* widget = form.findChild<QWidget*>(QString::fromStdString(name));
    if (question == "item") {
        int index = -1;
        words >> index;
        auto* group = qobject_cast<RadioGroup*>(widget);
        widget =
            group != nullptr && index >= 0 && index < group->Count() ? group->Item(index) : nullptr;
        question = "rect";
    }
    if (widget == nullptr) {
        std::printf("-\n");
    } else if (question == "rect") {
        const qreal ratio =
            form.windowHandle() != nullptr ? form.windowHandle()->devicePixelRatio() : 1.0;
        const QPoint at = widget->mapToGlobal(QPoint(0, 0));
        std::printf("%d %d %d %d\n", qRound(at.x() * ratio), qRound(at.y() * ratio),
                    qRound(widget->width() * ratio), qRound(widget->height() * ratio));
    } else if (question == "text") {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) text = edit->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
        std::printf("%s\n", text.toStdString().c_str());
    } else {
        std::printf("-\n");
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    SetArithmeticEnvironment();
    ReadDecimalMarkFromLocale();
    RunamikaApplication application(argc, argv);
    application.setWindowIcon(ApplicationIcon());
    TForm1 form;
    Form1 = &form;
    MakeAboutBoxOnFirstUse(&form);
    QSocketNotifier questions(0, QSocketNotifier::Read);
    QObject::connect(&questions, &QSocketNotifier::activated, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            questions.setEnabled(false);
            return;
        }
        Answer(form, line);
    });
    form.ShowWhenFrameKnown();
    const int code = FinishAfterLoop(application.exec());
    MakeAboutBoxOnFirstUse(nullptr);
    AboutBox = nullptr;
    Form1 = nullptr;
    return code;
}
