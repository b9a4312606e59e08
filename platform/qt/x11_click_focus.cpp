#include "platform/qt/x11_click_focus.hpp"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xinput.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/qt/x11_requests.hpp"

namespace glimora {

namespace {

// The events this connection takes on the root window for all master
// devices, as a bit mask of XInput 2 event types.
std::uint32_t selectedMasterEvents(xcb_connection_t* connection, xcb_window_t root) {
    xcb_input_xi_get_selected_events_reply_t* reply = xcb_input_xi_get_selected_events_reply(
        connection, xcb_input_xi_get_selected_events(connection, root), nullptr);
    std::uint32_t events = 0;
    if (!reply) return events;
    for (auto it = xcb_input_xi_get_selected_events_masks_iterator(reply); it.rem; xcb_input_event_mask_next(&it)) {
        if (it.data->deviceid != XCB_INPUT_DEVICE_ALL_MASTER || it.data->mask_len < 1) continue;
        events = xcb_input_event_mask_mask(it.data)[0];
    }
    std::free(reply);
    return events;
}

// Replaces them; false when the server refuses (no XInput 2 for this client).
bool selectMasterEvents(xcb_connection_t* connection, xcb_window_t root, std::uint32_t events) {
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, events};
    xcb_generic_error_t* error =
        xcb_request_check(connection, xcb_input_xi_select_events_checked(connection, root, 1, &selection.head));
    const bool selected = !error;
    std::free(error);
    return selected;
}

xcb_window_t inputFocus(xcb_connection_t* connection) {
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const xcb_window_t focus = reply ? reply->focus : xcb_window_t{XCB_NONE};
    std::free(reply);
    return focus;
}

xcb_window_t activeWindow(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t activeAtom) {
    const std::vector<std::uint32_t> active = propertyItems(connection, root, activeAtom, XCB_ATOM_WINDOW, 1);
    return active.empty() ? xcb_window_t{XCB_NONE} : active.front();
}

// The root window's child that holds `window` (its frame, where the window
// manager gave it one); none when the window is gone.
xcb_window_t topLevelOf(xcb_connection_t* connection, xcb_window_t window, xcb_window_t root) {
    while (window != XCB_NONE) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
        if (!tree) return XCB_NONE;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == root) return window;
        window = parent;
    }
    return XCB_NONE;
}

// Whether the window manager manages the window, or a window in it (its
// frame, which for i3 is override-redirect): either has WM_STATE.
bool holdsClient(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_atom_t wmState = internAtom(connection, "WM_STATE");
    if (wmState == XCB_ATOM_NONE) return false;
    std::vector<xcb_window_t> windows{window};
    if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        windows.insert(windows.end(), children, children + xcb_query_tree_children_length(tree));
        std::free(tree);
    }
    std::vector<xcb_get_property_cookie_t> cookies;
    for (const xcb_window_t each : windows)
        cookies.push_back(xcb_get_property(connection, 0, each, wmState, XCB_ATOM_ANY, 0, 0));
    bool holds = false;
    for (const xcb_get_property_cookie_t cookie : cookies) {
        xcb_get_property_reply_t* state = xcb_get_property_reply(connection, cookie, nullptr);
        holds |= state && state->type != XCB_NONE;
        std::free(state);
    }
    return holds;
}

const std::uint32_t rawPress = XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS;

}  // namespace

X11ClickFocus::X11ClickFocus(QWidget& window) : QObject(&window), window_(window) {
    handOnWait_.setSingleShot(true);
    handOnWait_.setInterval(250);
    connect(&handOnWait_, &QTimer::timeout, this, [this] { checkHandOn(true); });
    xcb_connection_t* connection = x11Connection();
    if (!connection) return;
    root_ = rootWindow(connection);
    activeAtom_ = internAtom(connection, "_NET_ACTIVE_WINDOW");
    addEvents(connection, root_, XCB_EVENT_MASK_PROPERTY_CHANGE);
    QCoreApplication::instance()->installNativeEventFilter(this);
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(connection, &xcb_input_id);
    if (!input || !input->present) return;
    // Qt has asked for XInput 2 on this connection already; a selection of
    // our own for the master devices joins what the connection takes.
    const std::uint32_t events = selectedMasterEvents(connection, root_);
    if (!selectMasterEvents(connection, root_, events | rawPress)) return;
    selected_ = !(events & rawPress);
    inputOpcode_ = input->major_opcode;
}

X11ClickFocus::~X11ClickFocus() {
    if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(this);
    xcb_connection_t* connection = x11Connection();
    if (inputOpcode_ >= 0 && selected_ && connection)
        selectMasterEvents(connection, root_, selectedMasterEvents(connection, root_) & ~rawPress);
}

bool X11ClickFocus::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_ge_generic_event_t*>(message);
    if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
        const auto* notice = static_cast<const xcb_property_notify_event_t*>(message);
        if (handedFrom_ && notice->window == root_ && notice->atom == activeAtom_)
            QMetaObject::invokeMethod(this, [this] { checkHandOn(false); }, Qt::QueuedConnection);
        return false;
    }
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC || event->extension != inputOpcode_ ||
        event->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
        return false;
    const auto* press = static_cast<const xcb_input_raw_button_press_event_t*>(message);
    if (!QApplication::activePopupWidget()) {
        const std::uint32_t time = press->time;
        // From the loop, not from inside Qt's reading of its events.
        QMetaObject::invokeMethod(this, [this, time] { followClick(time); }, Qt::QueuedConnection);
    }
    // Unless Qt asked for them too, they are ours alone.
    return selected_;
}

void X11ClickFocus::takeFocusAfterHandOn(std::uint32_t closed, std::function<bool()> wanted) {
    handedFrom_ = closed;
    wantedAfterHandOn_ = std::move(wanted);
    handOnWait_.start();
    // A hand-on done before this call has no notice left to wait for.
    QMetaObject::invokeMethod(this, [this] { checkHandOn(false); }, Qt::QueuedConnection);
}

void X11ClickFocus::checkHandOn(bool waited) {
    xcb_connection_t* connection = x11Connection();
    if (!handedFrom_ || !connection) return;
    // Done once the window it names has the focus: i3 hands it to its own
    // frame first, naming none, then to the program, naming it. One that
    // names none in the end, or never names another, is done after a while.
    if (!waited) {
        const xcb_window_t active = activeWindow(connection, root_, activeAtom_);
        if (active == handedFrom_ || active == XCB_NONE ||
            topLevelOf(connection, inputFocus(connection), root_) != topLevelOf(connection, active, root_))
            return;
    }
    handedFrom_ = 0;
    handOnWait_.stop();
    const auto wanted = std::exchange(wantedAfterHandOn_, {});
    // At the server's time: the window manager's focus, given at a time of
    // its own, is no later.
    if (wanted && wanted() && window_.isVisible()) takeFocus(XCB_CURRENT_TIME);
}

// As Qt does for a window the window manager does not manage, at the time of
// the event that gives the window the focus.
void X11ClickFocus::takeFocus(std::uint32_t time) {
    xcb_connection_t* connection = x11Connection();
    if (!connection) return;
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window_.winId()), time);
    xcb_flush(connection);
}

void X11ClickFocus::followClick(std::uint32_t time) {
    handedFrom_ = 0;
    wantedAfterHandOn_ = {};
    handOnWait_.stop();
    xcb_connection_t* connection = x11Connection();
    const QWindow* own = window_.windowHandle();
    if (!connection || !own || !window_.isVisible()) return;
    // Where the press went: the root's child under the pointer, by the input
    // shapes (a click beside the panel's outline is not on the panel).
    xcb_query_pointer_reply_t* pointer =
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root_), nullptr);
    if (!pointer) return;
    const xcb_window_t clicked = pointer->child;
    std::free(pointer);
    const bool focused = QGuiApplication::focusWindow() == own;
    if (clicked == static_cast<xcb_window_t>(window_.winId())) {
        if (!focused) takeFocus(time);
        return;
    }
    if (!focused) {
        if (!QGuiApplication::focusWindow() && onClickElsewhere_) onClickElsewhere_();
        return;
    }
    const xcb_window_t active = activeWindow(connection, root_, activeAtom_);
    const xcb_window_t activeTopLevel = topLevelOf(connection, active, root_);
    if (clicked != XCB_NONE && clicked != activeTopLevel && holdsClient(connection, clicked)) return;
    // A window gone meanwhile: the focus follows the pointer.
    const xcb_window_t to = activeTopLevel != XCB_NONE ? active : xcb_window_t{XCB_INPUT_FOCUS_POINTER_ROOT};
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, to, time);
    xcb_flush(connection);
}

}  // namespace glimora
