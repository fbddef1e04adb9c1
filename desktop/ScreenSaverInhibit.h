#pragma once

#include "desktop/IdleInhibit.h"

#include <QDBusConnection>
#include <QObject>

#include <cstdint>

// The hold through org.freedesktop.ScreenSaver's Inhibit and UnInhibit on
// a D-Bus connection (the session bus), called without waiting for the
// answer. Without the service nothing is held, and nothing is said: the
// display shows all the same. The desktop drops a hold by itself when the
// program's connection ends.
class ScreenSaverInhibit : public QObject, public IdleInhibit {
    Q_OBJECT
public:
    explicit ScreenSaverInhibit(QDBusConnection bus, QString application);
    ~ScreenSaverInhibit() override;

    void Hold(const QString &reason) override;
    void Release() override;

    // A hold the service granted and that was not released yet.
    bool Held() const { return cookie_ != 0; }

private:
    void UnInhibit(std::uint32_t cookie);

    QDBusConnection bus_;
    QString application_;
    // Wanted: held or asked for.
    bool wanted_ = false;
    bool asking_ = false;
    std::uint32_t cookie_ = 0;
};
