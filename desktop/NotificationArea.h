#pragma once

#include <QIcon>
#include <QString>

#include <cstdint>

class TNotifyWindow;

// Parts of a request to the notification area.
enum NotifyIconFlag : std::uint32_t { NIF_MESSAGE = 0x1, NIF_ICON = 0x2, NIF_TIP = 0x4 };

// Mouse messages that the notification area sends with an icon's callback.
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_MBUTTONUP = 0x0208;

// One icon's record as a request carries it. The window and identifier name
// the icon; Flags says which of the other parts the request sets.
struct NotifyIconData {
    // The size of the first version of the record, with a 64-character tip.
    static constexpr std::uint32_t kSize = 88;
    static constexpr int kTipLength = 64;

    std::uint32_t Size = kSize;
    TNotifyWindow *Window = nullptr;
    std::uint32_t ID = 0;
    std::uint32_t Flags = 0;
    std::uint32_t CallbackMessage = 0;
    QIcon Icon;
    // At most kTipLength - 1 characters.
    QString Tip;
};

enum class NotifyRequest { Add, Modify, Delete };

// The desktop's notification area: icons are added, changed and removed by
// requests; mouse actions on an icon come back as its callback message,
// posted to its window with the mouse message as the second parameter.
class NotificationArea {
public:
    virtual ~NotificationArea() = default;

    // True when the request was carried out.
    virtual bool Notify(NotifyRequest request, const NotifyIconData &data) = 0;
    // Whether the desktop has a notification area at this moment.
    virtual bool Available() const = 0;
    // A message next to the icon named by data (its window and identifier),
    // where the desktop shows such messages.
    virtual void ShowMessage(const NotifyIconData &data, const QString &title, const QString &text)
    {
        (void)data;
        (void)title;
        (void)text;
    }
};
