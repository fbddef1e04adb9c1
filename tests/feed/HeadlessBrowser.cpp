#include "HeadlessBrowser.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr const char *kChromium = "/usr/bin/chromium";
constexpr auto kPatience = std::chrono::seconds(10);

} // namespace

HeadlessBrowser::HeadlessBrowser()
{
    if (access(kChromium, X_OK) != 0) {
        trouble_ = std::string(kChromium) + " is not installed (scripts/deps.sh chromium)";
        return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "pontra-chromium-XXXXXX").string();
    profile_ = mkdtemp(pattern.data());
    int commands[2];
    int answers[2];
    if (pipe2(commands, O_CLOEXEC) != 0 || pipe2(answers, O_CLOEXEC) != 0) {
        trouble_ = "no pipes for the DevTools connection";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, commands[0], 3);
    posix_spawn_file_actions_adddup2(&actions, answers[1], 4);
    // Its complaints about the missing session bus are no test's business.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string userData = "--user-data-dir=" + profile_;
    // The machine's network is closed: no background connections at all.
    std::vector<std::string> arguments = {kChromium,
                                          "--headless",
                                          "--no-sandbox",
                                          "--disable-gpu",
                                          "--disable-quic",
                                          "--no-first-run",
                                          "--disable-background-networking",
                                          "--disable-component-update",
                                          "--disable-sync",
                                          "--hide-scrollbars",
                                          "--remote-debugging-pipe",
                                          userData,
                                          "about:blank"};
    std::vector<char *> argv;
    for (auto &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, kChromium, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(commands[0]);
    close(answers[1]);
    toBrowser_ = commands[1];
    fromBrowser_ = answers[0];
    if (spawned != 0) {
        pid_ = -1;
        trouble_ = "chromium does not start";
        return;
    }
    const QJsonObject target = Call("Target.createTarget", {{"url", "about:blank"}});
    const QJsonObject attached =
        Call("Target.attachToTarget", {{"targetId", target["targetId"].toString()}, {"flatten", true}});
    session_ = attached["sessionId"].toString();
    if (session_.isEmpty())
        trouble_ = "chromium started but gives no page over its DevTools pipe";
}

HeadlessBrowser::~HeadlessBrowser()
{
    if (pid_ > 0) {
        session_.clear();
        Call("Browser.close");
        // It ends by itself once closed; only one that hangs is killed.
        const auto end = std::chrono::steady_clock::now() + kPatience;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (toBrowser_ >= 0)
        close(toBrowser_);
    if (fromBrowser_ >= 0)
        close(fromBrowser_);
    if (!profile_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(profile_, ignored);
    }
}

QJsonObject HeadlessBrowser::Call(const QString &method, const QJsonObject &params)
{
    const int id = ++nextId_;
    QJsonObject command{{"id", id}, {"method", method}, {"params", params}};
    if (!session_.isEmpty())
        command["sessionId"] = session_;
    const QByteArray bytes = QJsonDocument(command).toJson(QJsonDocument::Compact) + '\0';
    if (write(toBrowser_, bytes.constData(), static_cast<std::size_t>(bytes.size())) != bytes.size())
        return {};
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (true) {
        // Events and answers to earlier commands are skipped.
        for (std::size_t nul; (nul = pending_.find('\0')) != std::string::npos;) {
            const QJsonObject message =
                QJsonDocument::fromJson(QByteArray::fromStdString(pending_.substr(0, nul))).object();
            pending_.erase(0, nul + 1);
            if (message["id"].toInt() == id)
                return message["result"].toObject();
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd wait{fromBrowser_, POLLIN, 0};
        if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            return {};
        char buffer[65536];
        const ssize_t got = read(fromBrowser_, buffer, sizeof buffer);
        if (got <= 0)
            return {};
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

bool HeadlessBrowser::Open(const std::string &url, int width, int height)
{
    Call("Emulation.setDeviceMetricsOverride",
         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}});
    return !Call("Page.navigate", {{"url", QString::fromStdString(url)}})["frameId"].toString().isEmpty();
}

QString HeadlessBrowser::Evaluate(const QString &expression)
{
    const QJsonObject result = Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
    return result["result"].toObject()["value"].toVariant().toString();
}

bool HeadlessBrowser::WaitUntil(const QString &expression)
{
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (Evaluate(expression) != "true") {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool HeadlessBrowser::Screenshot(const std::string &file)
{
    const QJsonObject picture = Call("Page.captureScreenshot", {{"format", "png"}});
    const QByteArray png = QByteArray::fromBase64(picture["data"].toString().toLatin1());
    QFile out(QString::fromStdString(file));
    return !png.isEmpty() && out.open(QIODevice::WriteOnly) && out.write(png) == png.size();
}
