#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>

// A list of equally sized pictures, for example the frames of an animation.
// Users that keep a pointer to it learn of its end from destroyed().
class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(QObject *owner = nullptr) : QObject(owner) {}

    int Count() const { return static_cast<int>(images_.size()); }
    void Add(const QPixmap &image) { images_.append(image); }
    void Clear() { images_.clear(); }
    // Image index as an icon; an empty icon for an index not in the list.
    QIcon GetIcon(int index) const { return index >= 0 && index < Count() ? QIcon(images_[index]) : QIcon(); }

private:
    QList<QPixmap> images_;
};
