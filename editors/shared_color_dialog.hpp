// The one colour dialog that every colour well shares: non-modal, without
// alpha, writing each colour live while the user moves through it. It edits
// one target at a time and asks that target, before every write, whether it
// still exists: a well whose value went away (a shuffle or an applied recipe
// replaced the stops while the dialog was up) writes nothing and the dialog
// closes instead of writing into whatever now sits at that place.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

#include "model/palette.hpp"

class QColor;
class QColorDialog;

namespace glimora {

class SharedColorDialog : public QObject {
    Q_OBJECT

public:
    struct Target {
        // The dialog lets go of the target when this object goes away.
        QObject* owner = nullptr;
        // The target's colour now; nothing when the target no longer exists.
        std::function<std::optional<Color>()> read;
        // Called with every colour the user picks while the target exists.
        std::function<void(const Color&)> write;
        QString title;
    };

    // The dialog of this application, made on first use.
    static SharedColorDialog& instance();
    // The dialog if it was made and the application still runs; else null.
    static SharedColorDialog* existingInstance();
    ~SharedColorDialog() override;

    // Points the dialog at `target` and shows it at the target's colour;
    // nothing when the target does not exist.
    void open(Target target);
    // Follows the target after a change made elsewhere: shows its colour, or
    // closes when it is gone. Owners call it when their model changes.
    void refresh();
    // Closes the dialog and forgets the target.
    void close();

    bool isOpen() const;
    // Whether the dialog currently edits for this owner.
    bool isTargeting(const QObject* owner) const;
    // The dialog itself (made on first use); tests drive it through this.
    QColorDialog* dialog();

    // A colour from the dialog as a stored colour: each component in 0...1,
    // black for a colour that has no RGB form.
    static Color toColor(const QColor& color);
    static QColor toQColor(const Color& color);

private:
    SharedColorDialog() = default;
    void picked(const QColor& color);
    void show(const Color& color);

    QColorDialog* dialog_ = nullptr;
    QPointer<QObject> owner_;
    Target target_;
    bool hasTarget_ = false;
    bool showing_ = false;  // set while the dialog is moved by us, not the user
};

}  // namespace glimora
