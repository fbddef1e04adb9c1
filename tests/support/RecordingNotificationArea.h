#pragma once

#include "desktop/NotificationArea.h"
#include "desktop/TNotifyWindow.h"

#include <QList>
#include <QStringList>

#include <memory>

// A notification area that records every request and whose icon a test
// clicks by sending the icon's callback message, as the desktop does.
class RecordingNotificationArea final : public NotificationArea {
public:
    struct Request {
        NotifyRequest Kind;
        NotifyIconData Data;
    };

    // Shared with the test, which keeps looking after the icon took it over.
    struct Record {
        QList<Request> Requests;
        bool Available = true;
        bool Shown = false;
        NotifyIconData Icon;
        // The messages shown next to the icon, as "title: text".
        QStringList Messages;

        QList<NotifyRequest> Kinds() const
        {
            QList<NotifyRequest> kinds;
            for (const Request &request : Requests)
                kinds << request.Kind;
            return kinds;
        }
        // Sends the mouse message as the icon's callback, now.
        void Mouse(std::uint32_t message) const
        {
            if (Shown && Icon.Window)
                Icon.Window->Send(Icon.CallbackMessage, Icon.ID, message);
        }
    };

    explicit RecordingNotificationArea(std::shared_ptr<Record> record) : record_(std::move(record)) {}

    bool Notify(NotifyRequest request, const NotifyIconData &data) override
    {
        record_->Requests.append({request, data});
        switch (request) {
        case NotifyRequest::Add:
            if (record_->Shown)
                return false;
            record_->Shown = true;
            record_->Icon = data;
            return record_->Available;
        case NotifyRequest::Modify:
            if (!record_->Shown)
                return false;
            if (data.Flags & NIF_ICON)
                record_->Icon.Icon = data.Icon;
            if (data.Flags & NIF_TIP)
                record_->Icon.Tip = data.Tip;
            return true;
        case NotifyRequest::Delete:
            if (!record_->Shown)
                return false;
            record_->Shown = false;
            return true;
        }
        return false;
    }
    bool Available() const override { return record_->Available; }
    void ShowMessage(const NotifyIconData &, const QString &title, const QString &text) override
    {
        record_->Messages.append(title + QStringLiteral(": ") + text);
    }

private:
    std::shared_ptr<Record> record_;
};
