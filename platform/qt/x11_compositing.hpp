// Whether a compositing manager runs on the X screen, followed as it comes
// and goes, and the X Shape calls: a window with antialiased edges needs its
// input shape alone under one, its bounding shape without.
//
// A compositing manager owns the selection _NET_WM_CM_S<screen>; XFixes
// tells every change of its owner, so nothing polls.
//
// Use:
//   auto* watch = new CompositingManagerWatch(window);
//   QObject::connect(watch, &CompositingManagerWatch::activeChanged, window, [..](bool active) { ... });
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QRegion>

class QWidget;

namespace glimora {

class CompositingManagerWatch final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // Off the X11 platform (or without XFixes) it never reports one.
    explicit CompositingManagerWatch(QObject* parent = nullptr);
    ~CompositingManagerWatch() override;

    bool isActive() const { return active_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void activeChanged(bool active);

private:
    unsigned long selection_ = 0;  // the atom _NET_WM_CM_S<screen>
    int fixesEventBase_ = -1;
    bool active_ = false;
};

// Where the window takes pointer input: `region`, in its native window's
// device pixels (X knows nothing of Qt's device-pixel ratio);
// an empty region resets the input shape to the window's bounding shape.
// What it shows is left alone. Does nothing off X11.
void setX11InputShape(QWidget& window, const QRegion& region);
// What the window shows (and so where it takes input): `region`, in device
// pixels as above; an empty region shows the whole window again. Qt's own
// mask would scale a region of points, to whole points.
void setX11BoundingShape(QWidget& window, const QRegion& region);

}  // namespace glimora
