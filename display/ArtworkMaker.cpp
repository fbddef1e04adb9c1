#include "display/ArtworkMaker.h"

#include "widgets/Artwork.h"

ArtworkMaker::ArtworkMaker(QString name, QObject *parent) : QObject(parent), name_(std::move(name)) {}

ArtworkMaker::~ArtworkMaker()
{
    if (worker_.joinable())
        worker_.join();
}

void ArtworkMaker::Make(QSize size)
{
    wanted_ = size;
    if (!worker_.joinable())
        Start();
}

void ArtworkMaker::Start()
{
    working_ = wanted_;
    worker_ = std::thread([this, size = working_] {
        made_ = ArtworkImage(name_, size);
        // Queued by name: the picture waits in the maker until the thread is joined.
        QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
    });
}

void ArtworkMaker::Deliver()
{
    worker_.join();
    QImage made = std::move(made_);
    made_ = {};
    if (wanted_.isEmpty())
        return;
    if (wanted_ != working_) {
        Start();
        return;
    }
    wanted_ = {};
    emit Ready(QPixmap::fromImage(std::move(made)));
}
