// The program's command line, read before the application object exists: --help and --version
// need no display, a wrong option is reported without opening one, and a start without any
// display ends with one line instead of the toolkit's abort and advice.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

enum class MessageLanguage { English, Japanese };

// Looks up an environment variable; an unset variable gives an empty text.
using EnvironmentLookup = std::function<QString(const char* name)>;

// Japanese when the locale that chooses message texts (LC_ALL, else LC_MESSAGES, else LANG; the
// first entry of LANGUAGE overrides them unless the locale is C or POSIX) is a Japanese one.
MessageLanguage MessageLanguageFrom(const EnvironmentLookup& environment);

struct CommandLineOutcome {
    bool startWindow = false; // false: print the texts below and end with exitCode
    int exitCode = 0;
    QString out; // for standard output
    QString err; // for standard error
    MessageLanguage language = MessageLanguage::English;
    QString display; // the display the toolkit will try to open, for the message when it fails
};

// Reads the arguments (the program's name first). --help and --version end at once with code
// 0; an unknown option or an argument the program does not take ends with code 2; the
// toolkit's own options (-style, -platform, -display, …) are accepted and left to it. Without a
// display in the environment or on the command line and without a chosen platform, the outcome
// is code 1 with one line saying that a graphical session is needed.
CommandLineOutcome ReadCommandLine(const QStringList& arguments,
                                   const EnvironmentLookup& environment);

// The one line shown when the toolkit cannot start its platform, from the toolkit's own
// messages while it tried (which are not shown): a platform that is not installed is named
// with those that are; otherwise the display did not answer.
QString PlatformFailureLine(const QStringList& toolkitMessages, const QString& display,
                            MessageLanguage language);
