#pragma once

#include "barriers/BarrierWarnings.h"
#include "hall/HallChange.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The operator's sentence for a report on a barrier or the port, as the
// indicator's tooltip and the tray show it; empty for a report that ends a
// warning. port is the n of "COMn".
QString BarrierWarningText(const HallChange &report, int port);

// The sentence for a warning that stands now, with its own port; empty for none.
QString BarrierWarningText(const std::optional<BarrierWarning> &warning);
// The sentences for the warnings that stand now, in their order.
QStringList BarrierWarningTexts(const std::vector<BarrierWarning> &warnings);
