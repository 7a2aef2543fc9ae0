#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "product/product.h"

namespace {

// The toolkit's own options (QGuiApplication, QApplication and the X11 platform), which the
// toolkit takes out of the arguments itself. Listed so that the parser lets them pass.
constexpr const char* kToolkitValueOptions[] = {"platform",      "platformpluginpath",
                                                "platformtheme", "plugin",
                                                "qmljsdebugger", "qwindowgeometry",
                                                "qwindowicon",   "qwindowtitle",
                                                "session",       "display",
                                                "geometry",      "title",
                                                "icon",          "name",
                                                "visual",        "style",
                                                "stylesheet"};
constexpr const char* kToolkitFlagOptions[] = {"reverse", "widgetcount", "nograb",
                                               "dograb",  "sync",        "testability"};

QString ProgramName() {
    return QString::fromUtf8(product::kProgramName);
}

QString Usage(MessageLanguage language) {
    const QString name = ProgramName();
    if (language == MessageLanguage::Japanese) {
        return QStringLiteral("使い方: %1 [オプション]\n"
                              "単位換算ソフト ルナミカ99年版のウィンドウを開きます。\n"
                              "\n"
                              "  -h, --help     この説明を表示して終了します\n"
                              "  -v, --version  バージョンを表示して終了します\n"
                              "\n"
                              "-style 名前、-platform 名前 など Qt の標準オプションも使えます。\n")
            .arg(name);
    }
    return QStringLiteral("Usage: %1 [OPTION]\n"
                          "Opens the window of ルナミカ99年版, a unit converter.\n"
                          "\n"
                          "  -h, --help     show this help and exit\n"
                          "  -v, --version  show the version and exit\n"
                          "\n"
                          "Qt's own options such as -style NAME and -platform NAME work too.\n")
        .arg(name);
}

bool IsCLocale(const QString& locale) {
    return locale == QLatin1String("C") || locale == QLatin1String("POSIX") ||
           locale.startsWith(QLatin1String("C."));
}

CommandLineOutcome Finish(int exitCode, QString out, QString err, MessageLanguage language) {
    CommandLineOutcome outcome;
    outcome.exitCode = exitCode;
    outcome.out = std::move(out);
    outcome.err = std::move(err);
    outcome.language = language;
    return outcome;
}

bool TakesValue(const QString& option) {
    QString bare = option;
    while (bare.startsWith(QLatin1Char('-'))) bare.remove(0, 1);
    for (const char* name : kToolkitValueOptions) {
        if (bare == QLatin1String(name)) return true;
    }
    return false;
}

// The parser's remaining complaints name one option in quotes: a value option without its
// value, or a value given to an option that takes none. Said in the user's language.
QString OptionValueError(const QString& parserText, MessageLanguage language) {
    const qsizetype open = parserText.indexOf(QLatin1Char('\''));
    const qsizetype close = parserText.lastIndexOf(QLatin1Char('\''));
    const QString option =
        open >= 0 && close > open ? parserText.mid(open + 1, close - open - 1) : QString();
    const QString name = ProgramName();
    const bool japanese = language == MessageLanguage::Japanese;
    if (option.isEmpty()) {
        return japanese ? QStringLiteral("%1: オプションの指定が正しくありません").arg(name)
                        : QStringLiteral("%1: the options are not given correctly").arg(name);
    }
    if (TakesValue(option)) {
        return japanese ? QStringLiteral("%1: オプション %2 には値が必要です").arg(name, option)
                        : QStringLiteral("%1: option '%2' needs a value").arg(name, option);
    }
    return japanese ? QStringLiteral("%1: オプション %2 に値は付けられません").arg(name, option)
                    : QStringLiteral("%1: option '%2' takes no value").arg(name, option);
}

} // namespace

MessageLanguage MessageLanguageFrom(const EnvironmentLookup& environment) {
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = environment(name);
        if (!locale.isEmpty()) break;
    }
    if (!locale.isEmpty() && !IsCLocale(locale)) {
        const QString first = environment("LANGUAGE").section(QLatin1Char(':'), 0, 0);
        if (!first.isEmpty()) locale = first;
    }
    return locale.startsWith(QLatin1String("ja")) ? MessageLanguage::Japanese
                                                  : MessageLanguage::English;
}

CommandLineOutcome ReadCommandLine(const QStringList& arguments,
                                   const EnvironmentLookup& environment) {
    const MessageLanguage language = MessageLanguageFrom(environment);
    const bool japanese = language == MessageLanguage::Japanese;

    QCommandLineParser parser;
    // Single-dash words are the toolkit's style (-style, -platform): read them as long options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name : kToolkitValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kToolkitFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const QString name = ProgramName();
    QString error;
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString option =
                (unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) +
                unknown.first();
            error = japanese ? QStringLiteral("%1: 不明なオプションです: %2").arg(name, option)
                             : QStringLiteral("%1: unknown option '%2'").arg(name, option);
        } else {
            error = OptionValueError(parser.errorText(), language);
        }
    } else if (!parser.positionalArguments().isEmpty()) {
        const QString extra = parser.positionalArguments().first();
        error = japanese ? QStringLiteral("%1: 引数は受け付けません: %2").arg(name, extra)
                         : QStringLiteral("%1: unexpected argument '%2'").arg(name, extra);
    }
    if (!error.isEmpty()) {
        return Finish(2, QString(), error + QLatin1Char('\n') + Usage(language), language);
    }
    if (parser.isSet(help)) return Finish(0, Usage(language), QString(), language);
    if (parser.isSet(version)) {
        return Finish(0, name + QLatin1Char(' ') + QString::fromUtf8(product::kVersion) + '\n',
                      QString(), language);
    }

    const bool displayNamed = !environment("DISPLAY").isEmpty() ||
                              !environment("WAYLAND_DISPLAY").isEmpty() ||
                              parser.isSet(QStringLiteral("display"));
    const bool platformChosen =
        !environment("QT_QPA_PLATFORM").isEmpty() || parser.isSet(QStringLiteral("platform"));
    if (!displayNamed && !platformChosen) {
        const QString line =
            japanese ? QStringLiteral("%1: 画面がありません。デスクトップのセッション（DISPLAY か "
                                      "WAYLAND_DISPLAY のある環境）で起動してください。\n")
                           .arg(name)
                     : QStringLiteral("%1: no display found: it needs a graphical session "
                                      "(DISPLAY or WAYLAND_DISPLAY set).\n")
                           .arg(name);
        return Finish(1, QString(), line, language);
    }

    CommandLineOutcome outcome;
    outcome.startWindow = true;
    outcome.language = language;
    const QString platform = parser.isSet(QStringLiteral("platform"))
                                 ? parser.value(QStringLiteral("platform"))
                                 : environment("QT_QPA_PLATFORM");
    if (platform.startsWith(QLatin1String("wayland"))) {
        outcome.display = environment("WAYLAND_DISPLAY");
    } else if (parser.isSet(QStringLiteral("display"))) {
        outcome.display = parser.value(QStringLiteral("display"));
    } else {
        outcome.display = environment("DISPLAY");
    }
    return outcome;
}

QString PlatformFailureLine(const QStringList& toolkitMessages, const QString& display,
                            MessageLanguage language) {
    const bool japanese = language == MessageLanguage::Japanese;
    const QString name = ProgramName();
    // "Could not find the Qt platform plugin "NAME" in ..." and, in the final message,
    // "Available platform plugins are: a, b, c."
    static const QLatin1String notFound("Could not find the Qt platform plugin \"");
    static const QLatin1String available("Available platform plugins are: ");
    QString missing;
    QString installed;
    for (const QString& message : toolkitMessages) {
        if (const qsizetype at = message.indexOf(notFound); at >= 0 && missing.isEmpty()) {
            const qsizetype start = at + notFound.size();
            missing = message.mid(start, message.indexOf(QLatin1Char('"'), start) - start);
        }
        if (const qsizetype at = message.indexOf(available); at >= 0) {
            installed = message.mid(at + available.size()).trimmed();
            if (installed.endsWith(QLatin1Char('.'))) installed.chop(1);
        }
    }
    if (!missing.isEmpty()) {
        if (japanese) {
            return QStringLiteral("%1: 表示方式 %2 はありません（使えるもの: %3）。\n")
                .arg(name, missing,
                     installed.isEmpty() ? QStringLiteral("xcb, wayland") : installed);
        }
        return QStringLiteral("%1: the platform '%2' is not installed (available: %3).\n")
            .arg(name, missing, installed.isEmpty() ? QStringLiteral("xcb, wayland") : installed);
    }
    const QString shown = display.isEmpty() ? QString() : QLatin1Char(' ') + display;
    return japanese ? QStringLiteral(
                          "%1: 画面%2を開けません。デスクトップのセッションが動いているか確かめ"
                          "てください。\n")
                          .arg(name, shown.isEmpty() ? shown : shown + QLatin1Char(' '))
                    : QStringLiteral("%1: cannot open the display%2: no graphical session answers "
                                     "there.\n")
                          .arg(name, shown);
}
