#pragma once

#include <QLabel>

#include <cstdint>

// The main window's count: white digits on black, as large as designed
// while they fit and smaller for counts too wide for the field, so that no
// digit is cut off.
class CountField : public QLabel {
public:
    explicit CountField(QWidget *parent);

    void SetCount(const QString &count);
    // With a share of 1 … 99 % the digits turn amber from that share of the
    // capacity on and red at the capacity; 0 keeps them white.
    void Colour(std::int32_t count, std::int32_t capacity, int warnPercent);
};
