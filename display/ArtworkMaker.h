#pragma once

#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <thread>

// Renders one of the program's pictures on a thread of its own, so that a
// large one (the stop picture on a 4K monitor takes tens of milliseconds)
// never holds up the GUI. One render runs at a time: asked again meanwhile,
// it renders the size asked for last once that one is done, and hands over
// only that one.
class ArtworkMaker : public QObject {
    Q_OBJECT
public:
    explicit ArtworkMaker(QString name, QObject *parent = nullptr);
    // Waits for a render still running.
    ~ArtworkMaker() override;

    void Make(QSize size);
    // Nothing is handed over until the next Make.
    void Drop() { wanted_ = {}; }

signals:
    // On the maker's thread.
    void Ready(const QPixmap &picture);

private:
    Q_INVOKABLE void Deliver();
    void Start();

    const QString name_;
    std::thread worker_;
    // Asked for and not yet handed over; empty for none.
    QSize wanted_;
    // What the worker renders, and what it made: read once it is joined.
    QSize working_;
    QImage made_;
};
