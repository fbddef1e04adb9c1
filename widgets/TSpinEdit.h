#pragma once

#include <QAbstractSpinBox>

// A whole-number field with arrow buttons. Only digits, signs, the decimal
// separator and control keys may be typed (others beep). Stepping, setting a
// value and leaving the field for another control clamp into MinValue …
// MaxValue; reading Value takes the text as it stands, unclamped, and a text
// that is no whole number reads as MinValue. Modified tells whether the
// operator typed or stepped since the value was last set.
class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget *parent = nullptr);

    int MinValue() const { return minValue_; }
    void SetMinValue(int value) { minValue_ = value; }
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int value) { maxValue_ = value; }
    int Increment() const { return increment_; }
    void SetIncrement(int step) { increment_ = step; }
    int MaxLength() const;
    void SetMaxLength(int length);

    int Value() const;
    void SetValue(int value);
    bool Modified() const;
    QString Text() const;

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // MinValue … MaxValue; when MaxValue is not above MinValue there is no limit.
    int CheckValue(int value) const;
    bool IsValidChar(QChar key) const;

    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
};
