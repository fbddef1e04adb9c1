#pragma once

#include "desktop/HelpViewer.h"
#include "desktop/ProcessWindows.h"

#include <functional>
#include <memory>

#include <sys/types.h>

// Help files shown by an external CHM viewer, found and started through
// GIO, which follows the Desktop Entry rules: the user's default application
// for CHM files, else the desktop entry of xchm or kchmviewer, else either
// program on PATH. The viewer runs in a process group of its own, which is
// ended as a whole at the end. A request while it runs brings its window to
// the front or, where that cannot be done, starts it anew; one after the
// operator closed it starts it again.
class ExternalChmViewer final : public HelpViewer {
public:
    // Brings the windows of a process group to the front; false when it
    // found none to bring.
    using RaiseWindows = std::function<bool(pid_t group)>;

    explicit ExternalChmViewer(RaiseWindows raise = RaiseProcessGroupWindows);
    ~ExternalChmViewer() override;

    ExternalChmViewer(const ExternalChmViewer &) = delete;
    ExternalChmViewer &operator=(const ExternalChmViewer &) = delete;

    bool Available() override;
    void DisplayTableOfContents(const QString &helpFile) override;
    void CloseAll() override;

    // The viewer's command line as its desktop entry has it; empty without one.
    QString CommandLine() const;
    // The viewer's process group while it runs, else 0.
    pid_t Group();

private:
    struct Application;

    RaiseWindows raise_;
    std::unique_ptr<Application> application_;
    pid_t group_ = 0;
    QString runningFile_;
};
