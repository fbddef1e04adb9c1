#include "dialogs/LineSimulatorWindow.h"

#include "serial/SimulatedSerialPorts.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 64;

} // namespace

// A dialog to the window system, so that it can belong to another window.
LineSimulatorWindow::LineSimulatorWindow(SimulatedSerialPorts &ports, QWidget *owner)
    : QWidget(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                           | Qt::WindowCloseButtonHint),
      ports_(ports), owner_(owner)
{
    setWindowTitle(QStringLiteral("Lichtschranken-Simulator"));
    auto *layout = new QVBoxLayout(this);
    const auto addBarrier = [&](const QString &caption) {
        auto *button = new QPushButton(caption, this);
        button->setCheckable(true);
        layout->addWidget(button);
        connect(button, &QPushButton::toggled, this, &LineSimulatorWindow::SetLines);
        return button;
    };
    EntryButton = addBarrier(QStringLiteral("&Eingang unterbrochen (4+6, DSR)"));
    ExitButton = addBarrier(QStringLiteral("&Ausgang unterbrochen (7+8, CTS)"));
    // Wide enough for the caption in the window manager's title bar, whose
    // font and buttons are its own: the caption in bold, with room for an
    // icon and three buttons.
    QFont titleFont = font();
    titleFont.setBold(true);
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 120);
    if (owner_) {
        winId();
        windowHandle()->setTransientParent(owner_->window()->windowHandle());
    }
}

void LineSimulatorWindow::SetEventLevels(bool entryOn, bool exitOn)
{
    entryEventOn_ = entryOn;
    exitEventOn_ = exitOn;
    SetLines();
}

void LineSimulatorWindow::SetLines()
{
    // An interrupted barrier's contact is at the level it counts at.
    const bool entryOn = EntryButton->isChecked() == entryEventOn_;
    const bool exitOn = ExitButton->isChecked() == exitEventOn_;
    // Every simulated port follows, so whichever one is open sees it.
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        ports_.SetLine(port, SerialDevice::MsDsrOn, entryOn);
        ports_.SetLine(port, SerialDevice::MsCtsOn, exitOn);
    }
}

bool LineSimulatorWindow::event(QEvent *event)
{
    // The contacts must stay at hand while the settings dialog tests them:
    // a window that belongs to the modal dialog is not blocked by it.
    // Otherwise it belongs to its owner.
    QWindow *window = windowHandle();
    if (window && (event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowUnblocked)) {
        QWindow *owner = QGuiApplication::modalWindow();
        if (!owner && owner_)
            owner = owner_->window()->windowHandle();
        if (window->transientParent() != owner)
            window->setTransientParent(owner);
    }
    return QWidget::event(event);
}
