#include "hall/OccupancyState.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr auto Open = OccupancyState::Open;
constexpr auto Nearly = OccupancyState::NearlyFull;
constexpr auto Full = OccupancyState::Full;

TEST(OccupancyState, WarnsFromTheRoundedUpShareToOneBelowTheCapacity)
{
    struct Case {
        std::int32_t count, capacity;
        int warnPercent;
        OccupancyState state;
    };
    const Case cases[] = {
        {7, 10, 80, Open},          {8, 10, 80, Nearly},        {9, 10, 80, Nearly},     {10, 10, 80, Full},
        {3, 5, 80, Open},           {4, 5, 80, Nearly},         {5, 5, 80, Full},        {12, 5, 80, Full},
        {0, 1, 1, Open},            {0, 1, 99, Open},           {1, 1, 99, Full}, // no range below 1
        {0, 5, 1, Open},            {1, 5, 1, Nearly},          {4, 5, 99, Open},
        {0, 10, 1, Open},           {1, 10, 1, Nearly},         {9, 10, 1, Nearly},      {9, 10, 99, Open},
        {99'998, 99'999, 1, Nearly}, {99'998, 99'999, 99, Nearly}, {99'999, 99'999, 1, Full},
        {98'999, 99'999, 99, Open}, {99'000, 99'999, 99, Nearly}, {999, 99'999, 1, Open},
        {1'000, 99'999, 1, Nearly}, {99'998, 99'999, 0, Open},  {99'998, 99'999, 100, Open}, // off
        {99'998, 99'999, -5, Open}, {0, 0, 80, Full},
    };
    for (const auto &c : cases)
        EXPECT_EQ(OccupancyStateOf(c.count, c.capacity, c.warnPercent), c.state)
            << c.count << " of " << c.capacity << " at " << c.warnPercent << " %";
}

TEST(OccupancyState, MeetsTheCeilingAtEveryCapacityAndShare)
{
    for (std::int32_t capacity = 1; capacity <= 2'000; ++capacity) {
        for (int percent = 1; percent <= 99; ++percent) {
            const std::int32_t from = (capacity * percent + 99) / 100;
            ASSERT_EQ(OccupancyStateOf(from - 1, capacity, percent), from - 1 >= capacity ? Full : Open);
            ASSERT_EQ(OccupancyStateOf(from, capacity, percent), from >= capacity ? Full : Nearly);
            ASSERT_EQ(OccupancyStateOf(capacity - 1, capacity, percent), from <= capacity - 1 ? Nearly : Open);
        }
    }
}

TEST(OccupancyState, PlacesLeftNeverGoBelowZero)
{
    EXPECT_EQ(PlacesLeft(3, 5), 2);
    EXPECT_EQ(PlacesLeft(5, 5), 0);
    EXPECT_EQ(PlacesLeft(2'147'483'647, -2'147'483'647 - 1), 0);
    EXPECT_EQ(PlacesLeft(0, 99'999), 99'999);
}

} // namespace
