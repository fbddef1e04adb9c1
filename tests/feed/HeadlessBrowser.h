#pragma once

#include <QJsonObject>
#include <QString>

#include <string>
#include <sys/types.h>

// Debian's Chromium without a display, driven over its DevTools pipe (fds 3
// and 4, one JSON message per NUL), with a fresh profile of its own. One page,
// whose viewport, address, script and screenshots a test controls.
class HeadlessBrowser {
public:
    HeadlessBrowser();
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser &) = delete;
    HeadlessBrowser &operator=(const HeadlessBrowser &) = delete;

    // Empty when it runs; else why it could not start.
    const std::string &Trouble() const { return trouble_; }

    // Loads the address into a viewport of that size.
    bool Open(const std::string &url, int width, int height);
    // The value of a script expression, as text; empty on failure.
    QString Evaluate(const QString &expression);
    // Polls the expression until it is "true"; false after 10 s.
    bool WaitUntil(const QString &expression);
    bool Screenshot(const std::string &file);

private:
    // Sends a command and waits up to 10 s for its answer; the result's
    // object, empty on an error.
    QJsonObject Call(const QString &method, const QJsonObject &params = {});

    pid_t pid_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    int nextId_ = 0;
    std::string profile_;
    QString session_;
    std::string pending_;
    std::string trouble_;
};
