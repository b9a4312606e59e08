// Counts the events of one type delivered to one object (its paints, its
// queued calls): what other objects of the application get is not counted.
#pragma once

#include <QEvent>
#include <QObject>

namespace glimora::test {

class EventCounter final : public QObject {
public:
    EventCounter(QObject* target, QEvent::Type type) : type_(type) { target->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_) ++count;
        return false;
    }

private:
    QEvent::Type type_;
};

}  // namespace glimora::test
