#pragma once

#include "hall/HallGate.h"
#include "hall/HallListener.h"
#include "link/DoorLinkClient.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

class Hall;

// The hall's count shared with the other doors of the hall through the door
// link. While the link runs, it is the hall's gate: the door's own passages
// and resets go to the link, and the hall shows the link's count. The link's
// callbacks come on its own threads and are handed to the GUI thread; the
// count comes as a value, and of those the newest wins, whatever order the
// calls reach this thread in.
class HallLink : public QObject, public HallGate, public HallListener {
    Q_OBJECT
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    // Makes the link on its first start; null when it cannot, with a German
    // notice in problem (or none when one was given before).
    using NewLink = std::function<std::unique_ptr<DoorLinkClient>(DoorLinkCallbacks callbacks, QString &problem)>;

    // notice: a German notice for the operator (a refused login or
    // certificate, a setting that cannot be used).
    HallLink(Hall &hall, Clock now, std::function<void(const QString &)> notice, NewLink newLink,
             QObject *parent = nullptr);
    ~HallLink() override;

    // Starts the link, or restarts it with other settings; false when it
    // cannot start, which a notice then names. Count() is the count to show.
    bool Start(DoorLinkSettings settings);
    std::int32_t Count() const { return shown_.count; }
    // The hall takes the newest count the link told.
    void ShowCount();
    // The door counts alone again, on from the count it shows.
    void Stop();
    bool Running() const { return link_ && link_->Running(); }

    bool Connected() const { return connected_; }
    // The connection's state as a German sentence.
    QString State() const { return state_; }
    // The other doors of the hall the link has heard of.
    QStringList OtherDoors() const;

    std::optional<std::int32_t> Counted(const HallEvent &event) override;
    void HallChanged(const HallChange &change) override { (void)change; }
    void CapacityChanged(std::int32_t capacity) override;

    // The link's callback: hands the GUI thread a count (any thread).
    void Told(DoorCount count);

signals:
    // Also when only the reason changed.
    void ConnectionChanged(bool connected, const QString &state);

private:
    // Runs call on the GUI thread, unless a newer link was started since.
    void Post(std::function<void()> call);
    // Queued by name: the calls go through the lock, not the event.
    Q_INVOKABLE void Deliver();
    void SetConnection(bool connected, const QString &state);
    // The newer of the two is kept.
    void Note(DoorCount count);
    DoorLinkCallbacks Callbacks();

    Hall &hall_;
    Clock now_;
    std::function<void(const QString &)> notice_;
    std::mutex mutex_;
    // Which start the posted calls belong to; changed under mutex_, on the
    // GUI thread only.
    unsigned generation_ = 0;
    std::deque<std::pair<unsigned, std::function<void()>>> posted_;
    // The newest count told, under mutex_.
    DoorCount told_;
    // The newest count the GUI thread knows, from the callbacks and from
    // the door's own passages.
    DoorCount shown_;
    bool connected_ = false;
    QString state_;
    NewLink newLink_;
    // Last: its threads end before what its callbacks use goes. Made on the
    // first start.
    std::unique_ptr<DoorLinkClient> link_;
};
