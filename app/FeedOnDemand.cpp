#include "app/FeedOnDemand.h"

#include "desktop/ProgramModule.h"

FeedOnDemand::FeedOnDemand(ProgramModule &module, std::function<void(const QString &)> notice)
    : module_(module), notice_(std::move(notice))
{
}

bool FeedOnDemand::Start(const FeedServerConfig &config, std::string &error)
{
    if (!server_) {
        QString problem;
        const auto make = reinterpret_cast<NewFeedService>(module_.Function(kNewFeedService, problem));
        if (!make) {
            if (!problem.isEmpty())
                notice_(problem);
            return false;
        }
        server_.reset(make());
        if (published_)
            server_->Publish(std::move(*published_));
        published_.reset();
    }
    return server_->Start(config, error);
}

void FeedOnDemand::Stop()
{
    if (server_)
        server_->Stop();
}

bool FeedOnDemand::Running() const
{
    return server_ && server_->Running();
}

std::uint16_t FeedOnDemand::Port() const
{
    return server_ ? server_->Port() : 0;
}

void FeedOnDemand::Publish(FeedSnapshot snapshot)
{
    if (server_)
        server_->Publish(std::move(snapshot));
    else
        published_ = std::move(snapshot);
}

std::size_t FeedOnDemand::Streams() const
{
    return server_ ? server_->Streams() : 0;
}
