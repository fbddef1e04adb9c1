#pragma once

#include "desktop/HelpViewer.h"

#include <QStringList>

#include <memory>

// A help viewer that records what it is asked to show and to close.
class RecordingHelpViewer final : public HelpViewer {
public:
    struct Record {
        bool Available = true;
        QStringList Shown;
        int CloseAlls = 0;
    };

    explicit RecordingHelpViewer(std::shared_ptr<Record> record) : record_(std::move(record)) {}

    bool Available() override { return record_->Available; }
    void DisplayTableOfContents(const QString &helpFile) override { record_->Shown << helpFile; }
    void CloseAll() override { ++record_->CloseAlls; }

private:
    std::shared_ptr<Record> record_;
};
