#pragma once

#include "desktop/NotificationArea.h"
#include "widgets/TImageList.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QTimer;
class TNotifyWindow;

// One icon with a tooltip in the desktop's notification area. It reports
// clicks on the icon, can cycle through the images of a list, and can hide
// the application behind the icon when it is minimised.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject *sender)>;
    using TMouseEvent =
        std::function<void(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;

    static constexpr int kMaxToolTip = 62;

    // Without an area the icon uses the desktop's own.
    explicit TTrayIcon(QObject *owner = nullptr, std::unique_ptr<NotificationArea> area = {});
    ~TTrayIcon() override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    bool Animate() const { return animate_; }
    void SetAnimate(bool animate);
    int AnimateInterval() const { return animateInterval_; }
    // Values of 0 and below are ignored.
    void SetAnimateInterval(int milliseconds);
    // Shows the icon in a form designer only; the program has none.
    bool ShowDesigning() const { return false; }
    void SetShowDesigning(bool) {}
    QIcon Icon() const { return icon_; }
    void SetIcon(const QIcon &icon);
    TImageList *Images() const { return images_; }
    void SetImages(TImageList *images);
    bool MinimizeApp() const { return minimizeApp_; }
    void SetMinimizeApp(bool minimize) { minimizeApp_ = minimize; }
    QString ToolTip() const { return toolTip_; }
    // Keeps the first kMaxToolTip characters.
    void SetToolTip(const QString &text);
    // A message next to the icon while it is shown; nothing while it is not.
    void ShowMessage(const QString &title, const QString &text);
    QMenu *PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu *menu) { popupMenu_ = menu; }

    TNotifyEvent OnClick;
    // RestoreApp of this icon unless replaced.
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;

    // Whether the desktop has a notification area now.
    bool AreaAvailable() const;
    // The record of the last request.
    const NotifyIconData &IconData() const { return iconData_; }
    int CurrentImage() const { return currentImage_; }

    void MinimizeToTray();
    void RestoreApp();
    void AnimateStep();
    void AppMinimize(QObject *sender);

private:
    bool AddIcon();
    bool ModifyIcon(std::uint32_t parts);
    bool DeleteIcon();
    void FillIconData(std::uint32_t parts);
    std::intptr_t NotifyWndProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void RightClick();

    std::unique_ptr<NotificationArea> area_;
    NotifyIconData iconData_;
    TNotifyWindow *notifyWindow_;
    std::uint32_t trayMessage_;
    std::uint32_t resetToolTipMessage_;
    QTimer *animateTimer_;
    bool active_ = false;
    bool animate_ = false;
    int animateInterval_ = 100;
    bool minimizeApp_ = false;
    QIcon icon_;
    QIcon savedIcon_;
    QString toolTip_;
    QPointer<TImageList> images_;
    QPointer<QMenu> popupMenu_;
    int currentImage_ = 0;
    TNotifyEvent previousOnMinimize_;
};
