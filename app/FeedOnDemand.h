#pragma once

#include "feed/FeedService.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class ProgramModule;

// The live feed's server, loaded from its module the first time it starts:
// until then the program maps none of its libraries. What was published
// before is handed to the server once it is made. On the GUI thread.
class FeedOnDemand : public FeedService {
public:
    // notice: tells the operator once that the module cannot be loaded.
    FeedOnDemand(ProgramModule &module, std::function<void(const QString &)> notice);

    // False with error empty when the module cannot be loaded.
    bool Start(const FeedServerConfig &config, std::string &error) override;
    void Stop() override;
    bool Running() const override;
    std::uint16_t Port() const override;
    void Publish(FeedSnapshot snapshot) override;
    std::size_t Streams() const override;

private:
    ProgramModule &module_;
    std::function<void(const QString &)> notice_;
    std::optional<FeedSnapshot> published_;
    std::unique_ptr<FeedService> server_;
};
