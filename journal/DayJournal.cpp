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
    const unsigned writer = ++writers_;
    JournalWriter::Options options;
    options.file = file_;
    options.keepDays = expire ? days : 0;
    // On the writer's thread: the notice is shown on the GUI thread. A
    // stopped writer reports nothing more, so this object is alive for
    // every call.
    options.statusChanged = [this, writer](const JournalStatus &status) {
        std::lock_guard lock(noticesMutex_);
        notices_.emplace_back(writer, QString::fromStdString(JournalNotice(status)));
        QMetaObject::invokeMethod(this, "TellNotices", Qt::QueuedConnection);
    };
    writer_ = std::make_unique<JournalWriter>(std::move(options));
    for (const JournalRow &row : left)
        writer_->Append(row);
    recorder_ = std::make_unique<JournalRecorder>(*writer_);
    hall_.AddListener(recorder_.get());
}

QString DayJournal::Stop()
{
    const std::deque<JournalRow> left = StopWriter();
    if (left.empty())
        return {};
    return SaveBeside(file_, left);
}

std::deque<JournalRow> DayJournal::StopWriter()
{
    if (!writer_)
        return {};
    hall_.RemoveListener(recorder_.get());
    writer_->Stop();
    std::deque<JournalRow> left = writer_->TakeUnwritten();
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
        if (writer == writers_ && Running() && notice_)
            notice_(text);
}
