#pragma once

#include "journal/JournalRow.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// Reads days of the journal on threads of their own and hands each result
// back on the thread that owns the loader, so that the GUI never waits for
// the disk. The hand-back goes through a mutex of its own rather than Qt's
// thread pool, so that ThreadSanitizer sees every hand-over.
class DayLoader : public QObject {
    Q_OBJECT
public:
    // Reads a local day's rows in the order they happened; runs on a thread
    // of its own, so it must not touch the GUI, and may throw JournalError.
    using Reader = std::function<std::vector<JournalRow>(std::chrono::year_month_day)>;
    struct Result {
        std::vector<JournalRow> rows;
        // Why the day could not be read, in German; empty when it was.
        QString error;
    };

    explicit DayLoader(Reader read, QObject *parent = nullptr);
    // A read still running then ends unheard.
    ~DayLoader() override;

    // Starts reading a day; returns the number its result comes with.
    unsigned Start(std::chrono::year_month_day day);
    // Every read started has handed its result back.
    bool Idle() const { return delivered_ == started_; }

signals:
    // On the loader's thread, with the number Start() gave.
    void Done(unsigned load, const DayLoader::Result &result);

private:
    Q_INVOKABLE void Deliver();

    struct Shared;
    Reader read_;
    unsigned started_ = 0;
    unsigned delivered_ = 0;
    std::shared_ptr<Shared> shared_;
};
