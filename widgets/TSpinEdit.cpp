#include "widgets/TSpinEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

#include <algorithm>
#include <climits>

TSpinEdit::TSpinEdit(QWidget *parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    lineEdit()->setText(QStringLiteral("0"));
}

int TSpinEdit::MaxLength() const
{
    return lineEdit()->maxLength();
}

void TSpinEdit::SetMaxLength(int length)
{
    // 0 means no limit.
    lineEdit()->setMaxLength(length > 0 ? length : 32767);
}

QString TSpinEdit::Text() const
{
    return lineEdit()->text();
}

int TSpinEdit::Value() const
{
    bool ok = false;
    const int value = Text().toInt(&ok);
    return ok ? value : minValue_;
}

void TSpinEdit::SetValue(int value)
{
    lineEdit()->setText(QString::number(CheckValue(value)));
}

bool TSpinEdit::Modified() const
{
    return lineEdit()->isModified();
}

int TSpinEdit::CheckValue(int value) const
{
    if (maxValue_ <= minValue_)
        return value;
    return std::clamp(value, minValue_, maxValue_);
}

void TSpinEdit::stepBy(int steps)
{
    // Widened, so that stepping from a typed extreme cannot overflow.
    const long long target = static_cast<long long>(Value()) + static_cast<long long>(steps) * increment_;
    SetValue(static_cast<int>(std::clamp<long long>(target, INT_MIN, INT_MAX)));
    lineEdit()->setModified(true);
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    return StepUpEnabled | StepDownEnabled;
}

bool TSpinEdit::IsValidChar(QChar key) const
{
    if (key.isDigit() && key.unicode() < 0x80)
        return true;
    if (key == u'+' || key == u'-' || key == QLocale().decimalPoint().front())
        return true;
    // Control characters edit the text (backspace, cut, paste …); Enter does not.
    return key.unicode() < 0x20 && key != u'\r';
}

void TSpinEdit::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    // Keys without a character (arrows, Home, Delete …) are edits, not input.
    if (!text.isEmpty() && event->key() != Qt::Key_Delete && !IsValidChar(text.front())) {
        QApplication::beep();
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent *event)
{
    // Only when the operator moves on to another control: a dialog closed by
    // a button that takes no focus reads the value as typed.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
        && Text() != QString::number(CheckValue(Value()))) {
        // Still the operator's value, clamped.
        const bool modified = Modified();
        SetValue(Value());
        lineEdit()->setModified(modified);
    }
    QAbstractSpinBox::focusOutEvent(event);
}
