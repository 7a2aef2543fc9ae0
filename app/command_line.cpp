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
            error = japanese ? QStringLiteral("%1: オプションの指定が正しくありません: %2")
                                   .arg(name, parser.errorText())
                             : QStringLiteral("%1: %2").arg(name, parser.errorText());
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
    return outcome;
}

QString CannotOpenDisplayLine(MessageLanguage language) {
    return language == MessageLanguage::Japanese
               ? QStringLiteral(
                     "%1: 画面を開けません。デスクトップのセッションで起動してください。\n")
                     .arg(ProgramName())
               : QStringLiteral("%1: cannot open the display: it needs a graphical session.\n")
                     .arg(ProgramName());
}
