#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

// Debian's Chromium without a display, with a fresh profile, driven over its
// DevTools pipe (fds 3 and 4, one JSON message per NUL): one page whose
// viewport, address, script and screenshots a test controls. Every wait ends
// after 10 s.
class HeadlessBrowser {
public:
    HeadlessBrowser()
    {
        int commands[2], answers[2];
        if (access(kChromium, X_OK) != 0 || pipe2(commands, O_CLOEXEC) != 0 || pipe2(answers, O_CLOEXEC) != 0)
            return;
        std::string profile = (std::filesystem::temp_directory_path() / "pontra-chromium-XXXXXX").string();
        profile_ = mkdtemp(profile.data());
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, commands[0], 3);
        posix_spawn_file_actions_adddup2(&actions, answers[1], 4);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0); // no session bus here
        // The machine's network is closed: no background connections at all.
        std::vector<std::string> arguments = {
            kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--hide-scrollbars", "--remote-debugging-pipe", "--user-data-dir=" + profile_, "about:blank"};
        std::vector<char *> argv;
        for (auto &argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, kChromium, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(commands[0]);
        close(answers[1]);
        toBrowser_ = commands[1];
        fromBrowser_ = answers[0];
        const QString target = Call("Target.createTarget", {{"url", "about:blank"}})["targetId"].toString();
        session_ = Call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}})["sessionId"].toString();
    }
    ~HeadlessBrowser()
    {
        session_.clear();
        Call("Browser.close");
        // Closed, it ends by itself; only one that hangs is killed.
        for (int waited = 0; pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; ++waited) {
            if (waited == 1000)
                kill(pid_, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        close(toBrowser_);
        close(fromBrowser_);
        std::error_code ignored;
        std::filesystem::remove_all(profile_, ignored);
    }

    // Why there is no page to drive; empty when there is one.
    std::string Trouble() const
    {
        if (access(kChromium, X_OK) != 0)
            return std::string(kChromium) + " is not installed (scripts/deps.sh chromium)";
        return session_.isEmpty() ? "chromium gives no page over its DevTools pipe" : "";
    }
    bool Open(const std::string &url, int width, int height)
    {
        Call("Emulation.setDeviceMetricsOverride",
             {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}});
        return Call("Page.navigate", {{"url", QString::fromStdString(url)}}).contains("frameId");
    }
    std::string Evaluate(const QString &expression)
    {
        const QJsonObject result = Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
        return result["result"].toObject()["value"].toVariant().toString().toStdString();
    }
    // Polls until the expression is true.
    bool WaitUntil(const QString &expression)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Evaluate(expression) != "true") {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    bool Screenshot(const std::filesystem::path &file)
    {
        const QJsonObject picture = Call("Page.captureScreenshot", {{"format", "png"}});
        const QByteArray png = QByteArray::fromBase64(picture["data"].toString().toLatin1());
        QFile out(QString::fromStdString(file.string()));
        return !png.isEmpty() && out.open(QIODevice::WriteOnly) && out.write(png) == png.size();
    }

private:
    static constexpr const char *kChromium = "/usr/bin/chromium";

    // Sends a command and waits for its answer's result; empty on an error.
    QJsonObject Call(const QString &method, const QJsonObject &params = {})
    {
        QJsonObject command{{"id", ++lastId_}, {"method", method}, {"params", params}};
        if (!session_.isEmpty())
            command["sessionId"] = session_;
        const QByteArray bytes = QJsonDocument(command).toJson(QJsonDocument::Compact) + '\0';
        if (pid_ <= 0 || write(toBrowser_, bytes.constData(), bytes.size()) != bytes.size())
            return {};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (true) {
            // Events and late answers are passed over.
            for (std::size_t nul; (nul = pending_.find('\0')) != std::string::npos; pending_.erase(0, nul + 1)) {
                const auto message = QJsonDocument::fromJson(QByteArray::fromStdString(pending_.substr(0, nul)));
                if (message["id"].toInt() == lastId_) {
                    pending_.erase(0, nul + 1);
                    return message["result"].toObject();
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd wait{fromBrowser_, POLLIN, 0};
            char buffer[65536];
            if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
                return {};
            const ssize_t got = read(fromBrowser_, buffer, sizeof buffer);
            if (got <= 0)
                return {};
            pending_.append(buffer, static_cast<std::size_t>(got));
        }
    }

    pid_t pid_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    int lastId_ = 0;
    std::string profile_;
    QString session_;
    std::string pending_;
};
