#include "link/HallLink.h"

#include "hall/Hall.h"

HallLink::HallLink(Hall &hall, Clock now, std::function<void(const QString &)> notice, NewLink newLink,
                   QObject *parent)
    : QObject(parent), hall_(hall), now_(std::move(now)), notice_(std::move(notice)), newLink_(std::move(newLink))
{
}

DoorLinkCallbacks HallLink::Callbacks()
{
    return {
        .hallCountChanged = [this](DoorCount count) { Told(count); },
        .connectionChanged =
            [this](bool connected, const std::string &reason) {
                Post([this, connected, state = QString::fromStdString(reason)] { SetConnection(connected, state); });
            },
        .notice = [this](const std::string &text) {
            Post([this, text = QString::fromStdString(text)] { notice_(text); });
        },
        .remoteReset = [this](const RemoteReset &) {
            // For the journal; the count shown after it is the newest told.
            Post([this] { hall_.Apply({.source = HallSource::OtherDoorReset, .time = now_()}); });
        },
        .occupancyState = {},
    };
}

HallLink::~HallLink()
{
    // Its owner is going too.
    blockSignals(true);
    Stop();
}

void HallLink::Told(DoorCount count)
{
    {
        std::lock_guard lock(mutex_);
        if (count.version > told_.version)
            told_ = count;
    }
    QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}

void HallLink::Post(std::function<void()> call)
{
    {
        std::lock_guard lock(mutex_);
        posted_.emplace_back(generation_, std::move(call));
    }
    QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}

void HallLink::Deliver()
{
    std::deque<std::pair<unsigned, std::function<void()>>> calls;
    DoorCount told;
    {
        std::lock_guard lock(mutex_);
        calls.swap(posted_);
        told = told_;
    }
    // Only this thread changes the generation.
    for (const auto &[start, call] : calls) {
        if (start == generation_)
            call();
    }
    if (!Running())
        return;
    Note(told);
    // Also after a reset that took the hall to 0 above.
    ShowCount();
}

void HallLink::Note(DoorCount count)
{
    if (count.version > shown_.version)
        shown_ = count;
}

bool HallLink::Start(DoorLinkSettings settings)
{
    Stop();
    settings.capacity = hall_.Capacity();
    QString problem;
    if (!link_)
        link_ = newLink_(Callbacks(), problem);
    if (link_)
        problem = QString::fromStdString(link_->Start(settings));
    if (!link_ || !problem.isEmpty()) {
        // As the link's own notices, once the program runs.
        if (!problem.isEmpty())
            Post([this, problem] { notice_(problem); });
        return false;
    }
    shown_ = link_->Current();
    hall_.SetGate(this);
    SetConnection(false, QStringLiteral("Verbindung zum Hallen-Server „%1“ wird aufgebaut …")
                             .arg(QString::fromStdString(settings.broker)));
    return true;
}

void HallLink::Stop()
{
    if (!Running())
        return;
    hall_.SetGate(nullptr);
    link_->Stop();
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        told_ = {};
    }
    SetConnection(false, {});
}

void HallLink::ShowCount()
{
    hall_.Apply({.source = HallSource::OtherDoors, .time = now_(), .count = shown_.count});
}

void HallLink::SetConnection(bool connected, const QString &state)
{
    if (connected == connected_ && state == state_)
        return;
    connected_ = connected;
    state_ = state;
    emit ConnectionChanged(connected, state);
}

std::optional<std::int32_t> HallLink::Counted(const HallEvent &event)
{
    switch (event.source) {
    case HallSource::EntryBarrier:
    case HallSource::In:
    case HallSource::ExitBarrier:
    case HallSource::Out: {
        const bool in = event.source == HallSource::EntryBarrier || event.source == HallSource::In;
        if (!link_->LocalPassage(in ? DoorPassage::In : DoorPassage::Out))
            return std::nullopt;
        break;
    }
    default:
        link_->LocalReset();
        break;
    }
    Note(link_->Current());
    return shown_.count;
}

void HallLink::CapacityChanged(std::int32_t capacity)
{
    if (link_)
        link_->SetCapacity(capacity);
}

QStringList HallLink::OtherDoors() const
{
    QStringList doors;
    if (!link_)
        return doors;
    for (const std::string &door : link_->OtherDoors())
        doors << QString::fromStdString(door);
    return doors;
}
