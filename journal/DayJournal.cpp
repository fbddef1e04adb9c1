#include "journal/DayJournal.h"

#include "hall/Hall.h"
#include "journal/JournalRecorder.h"
#include "journal/JournalStatus.h"
#include "journal/JournalWriter.h"
#include "journal/UnwrittenRows.h"

namespace {

// Rows that no journal takes any more, saved beside it; the notice.
QString SaveBeside(const std::filesystem::path &file, const std::deque<JournalRow> &rows)
{
    return QString::fromStdString(UnwrittenNotice(SaveUnwrittenRows(file, rows, std::chrono::system_clock::now())));
}

} // namespace

DayJournal::DayJournal(Hall &hall, std::filesystem::path file, Notice notice, QObject *parent)
    : QObject(parent), hall_(hall), file_(std::move(file)), notice_(std::move(notice))
{
}

DayJournal::~DayJournal()
{
    Stop();
}

void DayJournal::SetKeepDays(int days, bool expire)
{
    if (days == keepDays_ && (days < 1 || (Running() && expire == expire_)))
        return;
    // Held rows are written before the journal ends, as by a running writer.
    if (days < 1 && recorder_ && !writer_)
        StartWriter();
    // The rows the last writer could not write go to the next one first.
    std::deque<JournalRow> left = StopWriter();
    keepDays_ = days;
    expire_ = expire;
    // Without a folder for it there is none; the advanced settings say so.
    if (days < 1 || file_.empty()) {
        if (!left.empty() && notice_)
            notice_(SaveBeside(file_, left));
        return;
    }
    recorder_ = std::make_unique<JournalRecorder>(std::move(left));
    hall_.AddListener(recorder_.get());
    if (begun_)
        StartWriter();
}

void DayJournal::Begin()
{
    if (begun_)
        return;
    begun_ = true;
    if (recorder_)
        StartWriter();
}

void DayJournal::StartWriter()
{
    const unsigned writer = ++writers_;
    JournalWriter::Options options;
    options.file = file_;
    options.keepDays = expire_ ? keepDays_ : 0;
    // On the writer's thread: the notice is shown on the GUI thread. A
    // stopped writer reports nothing more, so this object is alive for
    // every call.
    options.statusChanged = [this, writer](const JournalStatus &status) {
        std::lock_guard lock(noticesMutex_);
        notices_.emplace_back(writer, QString::fromStdString(JournalNotice(status)));
        QMetaObject::invokeMethod(this, "TellNotices", Qt::QueuedConnection);
    };
    writer_ = std::make_unique<JournalWriter>(std::move(options));
    recorder_->WriteTo(*writer_);
}

QString DayJournal::Stop()
{
    // A run that ends before its writer started still writes what it held.
    Begin();
    const std::deque<JournalRow> left = StopWriter();
    if (left.empty())
        return {};
    return SaveBeside(file_, left);
}

std::deque<JournalRow> DayJournal::StopWriter()
{
    if (!recorder_)
        return {};
    hall_.RemoveListener(recorder_.get());
    std::deque<JournalRow> left;
    if (writer_) {
        writer_->Stop();
        left = writer_->TakeUnwritten();
    } else {
        left = recorder_->TakeHeld();
    }
    recorder_.reset();
    writer_.reset();
    return left;
}

void DayJournal::TellNotices()
{
    std::vector<std::pair<unsigned, QString>> notices;
    {
        std::lock_guard lock(noticesMutex_);
        notices.swap(notices_);
    }
    for (const auto &[writer, text] : notices)
        if (writer == writers_ && Writing() && notice_)
            notice_(text);
}
