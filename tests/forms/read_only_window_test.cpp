// Closing the main window on a placement file that cannot be written: the notice names the
// file, and the window closes after it.
// Permission bits do not stop root, so when the tests run as root the window runs in a helper
// process as the unprivileged user "nobody".
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct Attempt {
    std::vector<std::string> notices;
    std::string outcome;
};

class WindowProcess {
public:
    WindowProcess(const QString& helper, const QString& file, const QString& runtime) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("HOME"), runtime);
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (geteuid() == 0) {
            process_.start(QStringLiteral("setpriv"),
                           {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                            QStringLiteral("--clear-groups"), helper, file});
        } else {
            process_.start(helper, {file});
        }
    }
    ~WindowProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    bool Started() { return process_.waitForStarted(); }

    Attempt Close() {
        Attempt attempt;
        process_.write("close\n");
        while (attempt.outcome.empty()) {
            if (!process_.canReadLine() && !process_.waitForReadyRead(20000)) {
                attempt.outcome = "no answer";
                break;
            }
            while (process_.canReadLine()) {
                const std::string line = process_.readLine().trimmed().toStdString();
                if (line.rfind("notice ", 0) == 0) {
                    attempt.notices.push_back(line.substr(7));
                } else if (line == "open" || line == "closed") {
                    attempt.outcome = line;
                }
            }
        }
        return attempt;
    }

    int ExitCode() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(20000)) return -1;
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

private:
    QProcess process_;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Hands a path to the user the helper runs as.
void GiveToHelperUser(const QString& path) {
    if (geteuid() != 0) return;
    const passwd* user = getpwnam("nobody");
    const group* users = getgrnam("nogroup");
    ASSERT_NE(user, nullptr);
    ASSERT_NE(users, nullptr);
    ASSERT_EQ(chown(path.toLocal8Bit().constData(), user->pw_uid, users->gr_gid), 0);
}

void SetMode(const QString& path, mode_t mode) {
    ASSERT_EQ(chmod(path.toLocal8Bit().constData(), mode), 0);
}

// What the file layer alone cannot show: the window's close names the file in its notice and
// closes after it, as the unprivileged user. (Which files and folders may be written is the
// settings tests' business.)
TEST(WindowOnReadOnlyPlacement, TheCloseShowsTheNoticeAndEndsTheProgram) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    SetMode(root.path(), 0755);
    const QString folder = root.filePath(QStringLiteral("app"));
    const QString runtime = root.filePath(QStringLiteral("runtime"));
    const QString file = folder + QStringLiteral("/runamika.ini");
    const QString helper = root.filePath(QStringLiteral("forms_close_helper"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(QDir().mkdir(runtime));
    SetMode(runtime, 0700);
    // A copy of the helper that the unprivileged user can reach and run.
    ASSERT_TRUE(QFile::copy(QStringLiteral(FORMS_CLOSE_HELPER), helper));
    SetMode(helper, 0755);
    const QByteArray before = "; kept\n[other]\nkey = value\n\n[form]\nleft=1\n";
    WriteAll(file, before);
    for (const QString& path : {folder, runtime, file}) GiveToHelperUser(path);
    SetMode(file, 0444);

    WindowProcess window(helper, file, runtime);
    ASSERT_TRUE(window.Started());
    const Attempt outcome = window.Close();
    EXPECT_EQ(outcome.outcome, "closed");
    EXPECT_EQ(window.ExitCode(), 0);
    EXPECT_EQ(outcome.notices, std::vector<std::string>{file.toStdString() + " に書き込めません."});
    EXPECT_EQ(ReadAll(file).toStdString(), before.toStdString());
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("runamika.ini")});
}

} // namespace
