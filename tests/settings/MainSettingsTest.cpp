#include "settings/MainSettings.h"
#include "support/MemorySettingsStore.h"

#include <gtest/gtest.h>

namespace {

const QStringList kChain = {"Port", "MaxCounter", "ContaktIn", "ContaktOut", "X", "Y", "Monitor"};

QList<std::optional<std::int32_t>> inOrder(const MainSettings &read)
{
    return {read.Port, read.MaxCounter, read.ContaktIn, read.ContaktOut, read.X, read.Y, read.Monitor};
}

TEST(MainSettings, ReadingStopsAtEachMissingOrNonIntegerValue)
{
    for (qsizetype gap = 0; gap < kChain.size(); ++gap) {
        for (const QVariant &bad : {QVariant(), QVariant(QStringLiteral("7"))}) {
            SCOPED_TRACE(qPrintable(kChain[gap] + (bad.isValid() ? " as text" : " missing")));
            MemorySettingsStore store;
            store.keyExists = true;
            for (qsizetype i = 0; i < kChain.size(); ++i)
                store.values[kChain[i]] = static_cast<int>(i + 10);
            if (bad.isValid())
                store.values[kChain[gap]] = bad;
            else
                store.values.remove(kChain[gap]);

            const auto read = inOrder(MainSettings::Read(store));
            for (qsizetype i = 0; i < kChain.size(); ++i)
                EXPECT_EQ(read[i], i < gap ? std::optional<std::int32_t>(i + 10) : std::nullopt)
                    << kChain[i].toStdString();
            EXPECT_FALSE(store.keyOpen);
        }
    }
}

TEST(MainSettings, WritesTheSetValuesInOrderAndNamesTheFirstLost)
{
    const MainSettings values{.Port = 3, .MaxCounter = 50, .ContaktIn = 0, .ContaktOut = 1, .X = -4, .Y = 9,
                              .Monitor = {}};
    MemorySettingsStore store;
    EXPECT_EQ(values.Write(store), "");
    EXPECT_EQ(store.writes, kChain.mid(0, 6));
    EXPECT_EQ(store.batches, 1);
    EXPECT_EQ(store.values["X"], -4);
    EXPECT_FALSE(store.keyOpen);

    MemorySettingsStore failing;
    failing.failWritesOf = "X";
    EXPECT_EQ(values.Write(failing), "X");
    EXPECT_FALSE(failing.keyOpen);

    MemorySettingsStore noKey;
    noKey.createFails = true;
    EXPECT_EQ(values.Write(noKey), "Port");
    EXPECT_TRUE(noKey.writes.isEmpty());
}

} // namespace
