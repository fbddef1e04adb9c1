#include "chart/DayLoader.h"

#include "journal/JournalReader.h"

#include <mutex>
#include <thread>
#include <utility>

struct DayLoader::Shared {
    std::mutex mutex;
    // Empty once the loader is gone.
    DayLoader *loader = nullptr;
    std::vector<std::pair<unsigned, Result>> done;
};

DayLoader::DayLoader(Reader read, QObject *parent)
    : QObject(parent)
    , read_(std::move(read))
    , shared_(std::make_shared<Shared>())
{
    shared_->loader = this;
}

DayLoader::~DayLoader()
{
    std::lock_guard lock(shared_->mutex);
    shared_->loader = nullptr;
}

unsigned DayLoader::Start(std::chrono::year_month_day day)
{
    const unsigned load = ++started_;
    // The thread owns all it uses, so that it may outlive the loader.
    std::thread([shared = shared_, read = read_, day, load] {
        Result result;
        try {
            result.rows = read(day);
        } catch (const JournalError &error) {
            result.error = QString::fromStdString(error.what());
        } catch (...) {
            result.error = QStringLiteral("Das Tagesjournal lässt sich nicht lesen.");
        }
        std::lock_guard lock(shared->mutex);
        if (!shared->loader)
            return;
        shared->done.emplace_back(load, std::move(result));
        // Queued by name: the call carries no data of its own to hand over.
        QMetaObject::invokeMethod(shared->loader, "Deliver", Qt::QueuedConnection);
    }).detach();
    return load;
}

void DayLoader::Deliver()
{
    std::vector<std::pair<unsigned, Result>> done;
    {
        std::lock_guard lock(shared_->mutex);
        done.swap(shared_->done);
    }
    for (const auto &[load, result] : done) {
        ++delivered_;
        emit Done(load, result);
    }
}
