#pragma once

#include "desktop/NotificationArea.h"

#include <QObject>

#include <map>
#include <utility>

class QSystemTrayIcon;

// The desktop's notification area through QSystemTrayIcon: the
// StatusNotifier host where there is one, the XEmbed tray otherwise. Clicks
// become the icon's callback message with the mouse message of the release:
// where the platform reports a button as it is pressed, the message waits
// for that button's release.
class QtNotificationArea : public QObject, public NotificationArea {
    Q_OBJECT
public:
    QtNotificationArea();
    ~QtNotificationArea() override;

    bool Notify(NotifyRequest request, const NotifyIconData &data) override;
    bool Available() const override;
    void ShowMessage(const NotifyIconData &data, const QString &title, const QString &text) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using IconKey = std::pair<TNotifyWindow *, std::uint32_t>;
    struct Icon {
        QSystemTrayIcon *tray = nullptr;
        std::uint32_t callbackMessage = 0;
    };

    void Apply(Icon &icon, const NotifyIconData &data);
    void Report(IconKey key, std::uint32_t mouseMessage, Qt::MouseButton heldButton);

    std::map<IconKey, Icon> icons_;
    // A message that waits for the release of a button the platform
    // reported at its press.
    struct Pending {
        IconKey key{};
        std::uint32_t message = 0;
        Qt::MouseButton button = Qt::NoButton;
    } pending_;
};
