#include "link/DoorLinkSettings.h"

#include "link/BrokerAddress.h"
#include "link/LinkTexts.h"

#include <QString>
#include <QSysInfo>

#include <algorithm>

namespace {

std::string NameProblem(std::string_view key, std::string_view value)
{
    if (value.empty())
        return EmptyNameText(key);
    return TopicNameAllowed(value) ? std::string() : NameCharacterText(key, value);
}

} // namespace

bool TopicNameAllowed(std::string_view name)
{
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '/' || c == '+' || c == '#' || byte < 0x20 || byte == 0x7f;
    });
}

std::string DefaultDoorName()
{
    return QSysInfo::machineHostName().toStdString();
}

std::string SettingsProblem(const DoorLinkSettings &settings)
{
    if (auto problem = NameProblem("Door", settings.door); !problem.empty())
        return problem;
    if (auto problem = NameProblem("Hall", settings.hall); !problem.empty())
        return problem;
    if (!BrokerAddress::Parse(settings.broker))
        return BrokerAddressText(settings.broker);
    return {};
}
