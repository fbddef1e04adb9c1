#pragma once

#include "widgets/HelpViewer.h"

#include <QStringList>

class QProcess;

// Help files shown by an external CHM viewer: the user's default application
// for CHM files when one is registered (asked of xdg-mime), else xchm or
// kchmviewer found on PATH. The viewer it started is closed at the end; while
// it runs, a further request for the same file starts no second one.
class ExternalChmViewer final : public HelpViewer {
public:
    ExternalChmViewer();
    ~ExternalChmViewer() override;

    bool Available() const override { return !command_.isEmpty(); }
    void DisplayTableOfContents(const QString &helpFile) override;
    void CloseAll() override;

    // The viewer's command line with "%f" for the file; empty without one.
    QStringList Command() const { return command_; }

private:
    QStringList command_;
    QProcess *running_ = nullptr;
    QString runningFile_;
};
