#include "link/DoorStateFile.h"

#include "files/FileRules.h"

#include <QSaveFile>
#include <QString>

#include <condition_variable>
#include <mutex>

namespace {

// How long a record waits before the next try at a file that could not be
// written.
constexpr auto kRetryInterval = std::chrono::seconds(5);
// The file is a few hundred bytes; anything much larger is not ours.
constexpr std::size_t kMostFileSize = 1 << 20;
QString FileName(const std::filesystem::path &file)
{
    return QString::fromStdU16String(file.u16string());
}

// Empty when written, else why not.
std::string Write(const std::filesystem::path &file, const DoorStateRecord &record)
{
    const FilePlace place = PlaceToWrite(file);
    if (!place.problem.empty())
        return place.problem;
    QSaveFile out(FileName(place.path));
    const std::string json = EncodeDoorState(record);
    if (out.open(QIODevice::WriteOnly) &&
        out.write(json.data(), static_cast<qint64>(json.size())) == static_cast<qint64>(json.size()) &&
        out.commit())
        return {};
    return "die Datei lässt sich nicht schreiben";
}

} // namespace

struct DoorStateFile::Shared {
    Shared(std::filesystem::path stateFile, std::function<void(bool, const std::string &)> writingChanged)
        : file(std::move(stateFile)), writing(std::move(writingChanged))
    {
    }

    const std::filesystem::path file;
    const std::function<void(bool, const std::string &)> writing;
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<DoorStateRecord> pending;
    bool stop = false;
    bool finished = false;
    bool allWritten = false;
    std::condition_variable done;
    // Held while the callback runs; once abandoned is set under it, the
    // callback is never called again.
    std::mutex callbackMutex;
    bool abandoned = false;

    void Tell(bool ok, const std::string &problem)
    {
        std::lock_guard lock(callbackMutex);
        if (!abandoned && writing)
            writing(ok, problem);
    }
};

DoorStateFile::DoorStateFile(std::filesystem::path file,
                             std::function<void(bool writing, const std::string &problem)> writing)
    : shared_(std::make_shared<Shared>(std::move(file), std::move(writing)))
{
    thread_ = std::thread(&DoorStateFile::Run, shared_);
}

DoorStateFile::~DoorStateFile()
{
    Stop();
}

std::optional<DoorStateRecord> DoorStateFile::Load(const std::filesystem::path &file, std::string &problem)
{
    const FileContent content = ReadRegularFile(file, kMostFileSize);
    problem = content.problem;
    if (!content.problem.empty() || !content.exists)
        return std::nullopt;
    // The decoder refuses totals beyond the 32-bit count and drops other
    // doors whose totals are not sound.
    auto record = DecodeDoorState(content.bytes);
    if (!record && !content.bytes.empty())
        problem = "sie ist beschädigt, oder ihre Zahlen liegen außerhalb des Zählbereichs (0 bis 2147483647)";
    return record;
}

void DoorStateFile::Save(DoorStateRecord record)
{
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->stop)
            return;
        shared_->pending = std::move(record);
    }
    shared_->wake.notify_one();
}

bool DoorStateFile::Stop(std::chrono::steady_clock::time_point deadline)
{
    {
        std::lock_guard lock(shared_->mutex);
        if (!thread_.joinable())
            return shared_->finished && shared_->allWritten;
        shared_->stop = true;
    }
    shared_->wake.notify_one();
    bool finished = false;
    bool allWritten = false;
    {
        std::unique_lock lock(shared_->mutex);
        finished = shared_->done.wait_until(lock, deadline, [this] { return shared_->finished; });
        allWritten = shared_->allWritten;
    }
    if (finished) {
        thread_.join();
    } else {
        std::lock_guard lock(shared_->callbackMutex);
        shared_->abandoned = true;
        thread_.detach();
    }
    return finished && allWritten;
}

void DoorStateFile::Run(const std::shared_ptr<Shared> &shared)
{
    bool writing = true;
    std::unique_lock lock(shared->mutex);
    for (;;) {
        if (writing)
            shared->wake.wait(lock, [&] { return shared->stop || shared->pending; });
        else
            shared->wake.wait_for(lock, kRetryInterval, [&] { return shared->stop; });
        if (shared->pending) {
            DoorStateRecord record = std::move(*shared->pending);
            shared->pending.reset();
            lock.unlock();
            const std::string problem = Write(shared->file, record);
            const bool written = problem.empty();
            if (written != writing)
                shared->Tell(written, problem);
            writing = written;
            lock.lock();
            // A newer record wins over one that failed.
            if (!written && !shared->pending)
                shared->pending = std::move(record);
        }
        // Stopping makes one more try at a file that fails, not more.
        if (shared->stop && (!shared->pending || !writing))
            break;
    }
    shared->finished = true;
    shared->allWritten = !shared->pending;
    lock.unlock();
    shared->done.notify_all();
}
