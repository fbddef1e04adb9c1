#include "app/LineSimulatorWindow.h"

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

LineSimulatorWindow::LineSimulatorWindow(SimulatedSerialPorts &ports, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Lichtschranken-Simulator"));
    auto *layout = new QVBoxLayout(this);
    auto addContact = [&](const QString &caption, std::uint32_t line) {
        auto *button = new QPushButton(caption, this);
        button->setCheckable(true);
        layout->addWidget(button);
        // Every simulated port follows, so whichever one is open sees it.
        connect(button, &QPushButton::toggled, this, [&ports, line](bool closed) {
            for (int port = kFirstPort; port <= kLastPort; ++port)
                ports.SetLine(port, line, closed);
        });
    };
    addContact(QStringLiteral("Eingang 4+6 geschlossen (DSR)"), SerialDevice::MsDsrOn);
    addContact(QStringLiteral("Ausgang 7+8 geschlossen (CTS)"), SerialDevice::MsCtsOn);
    // Wide enough for the caption in the window manager's title bar, whose
    // font and buttons are its own: the caption in bold, with room for an
    // icon and three buttons.
    QFont titleFont = font();
    titleFont.setBold(true);
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 120);
}

bool LineSimulatorWindow::event(QEvent *event)
{
    // The contacts must stay at hand while the settings dialog tests them:
    // a window that belongs to the modal dialog is not blocked by it.
    QWindow *window = windowHandle();
    if (window && (event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowUnblocked)) {
        QWindow *modal = QGuiApplication::modalWindow();
        if (window->transientParent() != modal)
            window->setTransientParent(modal);
    }
    return QWidget::event(event);
}
